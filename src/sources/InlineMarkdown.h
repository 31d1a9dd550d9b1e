#pragma once

#include "sources/StyledText.h"

#include <QString>

// A parser of Markdown's inline syntax only: emphasis and strong emphasis (with the usual
// delimiter-run rules), code spans, inline links and autolinks, backslash escapes. Everything
// else, block syntax included, stays literal text with its spaces and line breaks. Links carry
// their destination as written, unchecked; callers filter them.
namespace InlineMarkdown {

StyledText parse(const QString& text);

} // namespace InlineMarkdown
