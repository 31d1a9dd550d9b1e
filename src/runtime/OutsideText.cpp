#include "runtime/OutsideText.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace OutsideText {
namespace {

bool reorders(char32_t c) {
    return c == 0x061C                      // Arabic letter mark
           || c == 0x200E || c == 0x200F    // left-to-right and right-to-left marks
           || (c >= 0x202A && c <= 0x202E)  // embeddings, overrides and their pop
           || (c >= 0x2066 && c <= 0x2069)  // isolates and their pop
           || (c >= 0x206A && c <= 0x206F)  // deprecated shaping and swapping controls
           || (c >= 0xFFF9 && c <= 0xFFFB); // interlinear annotation, which hides text
}

bool breaksLine(char32_t c) {
    return c == u'\n' || c == u'\r' || c == 0x0B || c == 0x0C || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool control(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// A character that stays as it is (a surrogate is looked at closely only on the long way).
bool kept(QChar ch) {
    const char32_t c = ch.unicode();
    return !control(c) && !reorders(c) && !breaksLine(c) && !ch.isSurrogate();
}

// Nothing in `text` to drop or rewrite.
bool plain(const QString& text) { return std::all_of(text.begin(), text.end(), kept); }

} // namespace

QString clean(const QString& text, Lines lines, qsizetype bound) {
    // Most names and versions: the same string back, shared rather than copied.
    if (text.size() <= bound && plain(text))
        return text;
    QString out;
    out.reserve(std::min(text.size(), bound + 2));
    bool blank = false; // a line break or tab of one-line text, shown as a space before what follows
    // One character past the bound settles whether the bound is a grapheme boundary.
    for (qsizetype i = 0; i < text.size() && out.size() <= bound; ++i) {
        // A run of characters kept as they are goes in at once: long notes are mostly that.
        qsizetype end = i;
        while (end < text.size() && kept(text[end]))
            ++end;
        if (end > i) {
            if (blank && text[i] != u' ' && !out.endsWith(u' '))
                out.append(u' ');
            blank = false;
            out.append(QStringView(text).sliced(i, std::min(end - i, bound + 1 - out.size())));
            i = end - 1;
            continue;
        }
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            c = QChar::surrogateToUcs4(char16_t(c), text[i].unicode());
        } else if (QChar::isSurrogate(c)) {
            c = QChar::ReplacementCharacter;
        }

        if (breaksLine(c) || c == u'\t') {
            if (lines == Lines::one)
                blank = !out.isEmpty();
            else if (c == u'\t')
                out.append(u'\t');
            else if (!(c == u'\n' && i > 0 && text[i - 1] == u'\r'))
                out.append(u'\n'); // CR LF is one line end
        } else if (!control(c) && !reorders(c)) {
            if (blank && c != u' ' && !out.endsWith(u' '))
                out.append(u' ');
            blank = false;
            out.append(QChar::fromUcs4(c));
        }
    }
    if (out.size() <= bound)
        return out;

    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, out);
    finder.setPosition(bound);
    const qsizetype keep = finder.isAtBoundary() ? bound : std::max<qsizetype>(finder.toPreviousBoundary(), 0);
    out.truncate(keep);
    out.append(QChar(0x2026));
    return out;
}

QString isolated(const QString& text) { return QChar(0x2068) + clean(text) + QChar(0x2069); }

QString isolated(const std::optional<QString>& text, const QString& fallback) {
    return text ? isolated(*text) : fallback;
}

} // namespace OutsideText
