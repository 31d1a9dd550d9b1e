#include "model/SourceKind.h"

namespace {

// One row for each source; every trait is stated, so none is left to a default by accident.
constexpr SourceTraits appStoreTraits{.name = u"Mac App Store",
                                      .installs = false,
                                      .updatesItself = false,
                                      .opensStore = true,
                                      .markdownNotes = false,
                                      .pageIsHomepage = false,
                                      .cloudField = {}};
constexpr SourceTraits sparkleTraits{.name = u"Sparkle",
                                     .installs = true,
                                     .updatesItself = false,
                                     .opensStore = false,
                                     .markdownNotes = false,
                                     .pageIsHomepage = false,
                                     .cloudField = u"feedURL"};
constexpr SourceTraits homebrewTraits{.name = u"Homebrew cask",
                                      .installs = true,
                                      .updatesItself = false,
                                      .opensStore = false,
                                      .markdownNotes = false,
                                      .pageIsHomepage = true,
                                      .cloudField = u"caskToken"};
constexpr SourceTraits githubTraits{.name = u"GitHub Releases",
                                    .installs = true,
                                    .updatesItself = false,
                                    .opensStore = false,
                                    .markdownNotes = true,
                                    .pageIsHomepage = false,
                                    .cloudField = u"githubRepo"};
constexpr SourceTraits electronTraits{.name = u"Electron",
                                      .installs = false,
                                      .updatesItself = true,
                                      .opensStore = false,
                                      .markdownNotes = false,
                                      .pageIsHomepage = false,
                                      .cloudField = {}};

} // namespace

constinit const SourceKind SourceKind::appStore{appStoreTraits};
constinit const SourceKind SourceKind::sparkle{sparkleTraits};
constinit const SourceKind SourceKind::homebrew{homebrewTraits};
constinit const SourceKind SourceKind::github{githubTraits};
constinit const SourceKind SourceKind::electron{electronTraits};

namespace SourceKinds {

const QList<SourceKind>& all() {
    static const QList<SourceKind> kinds{SourceKind::appStore, SourceKind::sparkle, SourceKind::homebrew,
                                         SourceKind::github, SourceKind::electron};
    return kinds;
}

QString rawValue(SourceKind kind) { return kind.traits().name.toString(); }

std::optional<SourceKind> from(const QString& text) {
    for (auto kind : all())
        if (rawValue(kind) == text)
            return kind;
    return std::nullopt;
}

bool canInstall(SourceKind kind) { return kind.traits().installs; }

} // namespace SourceKinds
