#pragma once

#include <QString>

#include <optional>

// Text from bundles, feeds and servers as our own texts show it. Such text may carry bidi
// controls that reorder whatever sits beside it, line breaks that split a one-line label, or a
// message of many kilobytes.
namespace OutsideText {

enum class Lines {
    one,  // names, versions, messages: line breaks and tabs become one space
    many, // release notes: newlines and tabs are kept, other line ends become "\n"
};

// Enough for any real name, version or error message.
inline constexpr qsizetype shortBound = 300;
// Release notes; the whole notes stay one link away.
inline constexpr qsizetype notesBound = 20000;

// `text` without control characters and the format characters that set or reorder direction,
// cut on a grapheme boundary to at most `bound` UTF-16 units plus a closing "…". Stray
// surrogates become U+FFFD.
QString clean(const QString& text, Lines lines = Lines::one, qsizetype bound = shortBound);

// `clean(text)` inside a first-strong isolate (U+2068 … U+2069), for a place within a sentence of
// ours: its direction then follows its own first strong letter, and it can not reorder our words.
QString isolated(const QString& text);
// `isolated(*text)`, or our own `fallback` as it stands when there is no text.
QString isolated(const std::optional<QString>& text, const QString& fallback);

} // namespace OutsideText
