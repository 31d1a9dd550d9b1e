#include "model/Version.h"

#include <unicode/uchar.h>

#include <limits>

namespace {

// Any character with a Unicode numeric property, not only ASCII digits.
bool isNumber(char32_t c) {
    if (c < 0x80)
        return c >= '0' && c <= '9';
    return u_getIntPropertyValue(UChar32(c), UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

// White space other than line breaks: tab and the space separators.
bool isBlank(char32_t c) {
    if (c < 0x80)
        return c == ' ' || c == '\t';
    return u_charType(UChar32(c)) == U_SPACE_SEPARATOR;
}

// Combining marks belong to the character before them.
bool isMark(char32_t c) {
    if (c < 0x300)
        return false;
    const auto type = u_charType(UChar32(c));
    return type == U_NON_SPACING_MARK || type == U_COMBINING_SPACING_MARK || type == U_ENCLOSING_MARK;
}

char32_t codePointAt(const QString& text, qsizetype i, int* width) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        *width = 2;
        return QChar::surrogateToUcs4(c, text.at(i + 1));
    }
    *width = 1;
    return c.unicode();
}

char32_t codePointBefore(const QString& text, qsizetype end, int* width) {
    const QChar c = text.at(end - 1);
    if (c.isLowSurrogate() && end >= 2 && text.at(end - 2).isHighSurrogate()) {
        *width = 2;
        return QChar::surrogateToUcs4(text.at(end - 2), c);
    }
    *width = 1;
    return c.unicode();
}

bool isTagTrim(QChar c) { return c == u'-' || c == u'_' || c == u'+' || c == u' ' || c == u'.'; }

// Digit runs compare by value, everything else by character, without locale rules.
std::weak_ordering compareNumerically(const QString& a, const QString& b) {
    const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && isDigit(a[ei]))
                ++ei;
            while (ej < b.size() && isDigit(b[ej]))
                ++ej;
            qsizetype si = i, sj = j; // skip leading zeros, then longer means larger
            while (si + 1 < ei && a[si] == u'0')
                ++si;
            while (sj + 1 < ej && b[sj] == u'0')
                ++sj;
            if (auto order = (ei - si) <=> (ej - sj); order != 0)
                return order;
            for (; si < ei; ++si, ++sj)
                if (auto order = a[si].unicode() <=> b[sj].unicode(); order != 0)
                    return order;
            i = ei;
            j = ej;
            continue;
        }
        if (auto order = a[i].unicode() <=> b[j].unicode(); order != 0)
            return order;
        ++i;
        ++j;
    }
    return (a.size() - i) <=> (b.size() - j);
}

const QString prefixes[] = {QStringLiteral("alpha"),   QStringLiteral("beta"), QStringLiteral("rc"),
                            QStringLiteral("preview"), QStringLiteral("pre"),  QStringLiteral("dev")};

} // namespace

std::optional<Version> Version::parse(const std::optional<QString>& text) {
    if (!text)
        return std::nullopt;
    const QString& input = *text;

    qsizetype begin = 0, end = input.size();
    int width = 1;
    while (begin < end && isBlank(codePointAt(input, begin, &width)))
        begin += width;
    while (end > begin && isBlank(codePointBefore(input, end, &width)))
        end -= width;
    if (begin == end)
        return std::nullopt;

    Version version;
    version.description = (begin == 0 && end == input.size()) ? input : input.sliced(begin, end - begin);

    qsizetype at = begin;
    if ((input[at] == u'v' || input[at] == u'V') && !(at + 1 < end && isMark(codePointAt(input, at + 1, &width))))
        ++at;

    // The head: numbers and points. Each piece must be plain decimal a signed 64-bit integer holds.
    qint64 value = 0;
    bool inPiece = false;
    bool bad = false;
    while (at < end) {
        const char32_t c = codePointAt(input, at, &width);
        if (c == '.') {
            if (inPiece)
                version.parts.append(value);
            inPiece = false;
            value = 0;
        } else if (c >= '0' && c <= '9') {
            const int digit = int(c - '0');
            if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
                bad = true;
            else
                value = value * 10 + digit;
            inPiece = true;
        } else if (isNumber(c)) {
            bad = true; // a superscript, a fraction or another script's digit
            inPiece = true;
        } else {
            break;
        }
        at += width;
        // A mark on a head character makes it a different character, which no integer parses.
        while (at < end && isMark(codePointAt(input, at, &width))) {
            bad = true;
            at += width;
        }
    }
    if (inPiece)
        version.parts.append(value);
    if (bad || version.parts.isEmpty())
        return std::nullopt;

    qsizetype tagBegin = at, tagEnd = end;
    while (tagBegin < tagEnd && isTagTrim(input[tagBegin]))
        ++tagBegin;
    while (tagEnd > tagBegin && isTagTrim(input[tagEnd - 1]))
        --tagEnd;
    if (tagBegin == tagEnd)
        return version;
    const QString tag = input.sliced(tagBegin, tagEnd - tagBegin).toLower();

    bool isPre = false;
    const QChar first = tag[0];
    if ((first == u'a' || first == u'b' || first == u'd') && tag.size() >= 2) {
        const char32_t second = codePointAt(tag, 1, &width);
        isPre = isNumber(second);
    }
    for (const auto& prefix : prefixes)
        isPre = isPre || tag.startsWith(prefix);
    if (isPre)
        version.pre = tag;
    return version;
}

std::weak_ordering Version::compare(const Version& a, const Version& b) {
    const qsizetype count = std::max(a.parts.size(), b.parts.size());
    for (qsizetype i = 0; i < count; ++i) {
        const qint64 x = i < a.parts.size() ? a.parts[i] : 0;
        const qint64 y = i < b.parts.size() ? b.parts[i] : 0;
        if (x != y)
            return x <=> y;
    }
    if (!a.pre && !b.pre)
        return std::weak_ordering::equivalent;
    if (!a.pre)
        return std::weak_ordering::greater; // a release beats a pre-release of the same numbers
    if (!b.pre)
        return std::weak_ordering::less;
    return compareNumerically(*a.pre, *b.pre);
}

bool Version::comparable(const Version& a, const Version& b) {
    const auto bare = [](const Version& v) { return v.parts.size() == 1 && v.parts[0] >= 1000; };
    return !((bare(a) && b.parts.size() > 1) || (bare(b) && a.parts.size() > 1));
}

std::optional<bool> Version::isNewer(const Texts& installed, const Texts& latest) {
    const auto oldShort = parse(installed.version);
    const auto newShort = oldShort ? parse(latest.version) : std::nullopt;
    if (oldShort && newShort) {
        if (!comparable(*oldShort, *newShort))
            return std::nullopt;
        if (auto order = compare(*oldShort, *newShort); order != 0)
            return order < 0;
        const auto oldBuild = parse(installed.build);
        const auto newBuild = oldBuild ? parse(latest.build) : std::nullopt;
        if (!oldBuild || !newBuild)
            return false;
        return compare(*oldBuild, *newBuild) < 0;
    }

    const auto oldBuild = parse(installed.build);
    const auto newBuild = oldBuild ? parse(latest.build) : std::nullopt;
    if (oldBuild && newBuild) {
        if (!comparable(*oldBuild, *newBuild))
            return std::nullopt;
        return compare(*oldBuild, *newBuild) < 0;
    }

    const auto oldAny = parse(installed.version ? installed.version : installed.build);
    const auto newAny = parse(latest.version ? latest.version : latest.build);
    if (!oldAny || !newAny || !comparable(*oldAny, *newAny))
        return std::nullopt;
    return compare(*oldAny, *newAny) < 0;
}
