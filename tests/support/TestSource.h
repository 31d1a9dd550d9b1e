#pragma once

#include "model/SourceKind.h"
#include "sources/Checker.h"

#include <memory>

// A sixth update source, added as any source is: its traits and its step in a checker's chain.
// It installs nothing itself, the app updates itself, and its notes are markdown.
namespace TestSource {

inline constexpr SourceTraits traits{.name = u"Test feed",
                                     .installs = false,
                                     .updatesItself = true,
                                     .opensStore = false,
                                     .markdownNotes = true,
                                     .pageIsHomepage = false,
                                     .cloudField = {}};
inline constexpr SourceKind kind{traits};

// Passes every app with `version` and markdown notes, counting in `asked` each time it is asked.
Checker::Step step(std::shared_ptr<int> asked, QString version);

} // namespace TestSource
