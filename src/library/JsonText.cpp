#include "library/JsonText.h"

namespace {

constexpr char hex[] = "0123456789abcdef";

char* escaped(char* to, char16_t unit) {
    *to++ = '\\';
    *to++ = 'u';
    *to++ = hex[unit >> 12];
    *to++ = hex[(unit >> 8) & 0xf];
    *to++ = hex[(unit >> 4) & 0xf];
    *to++ = hex[unit & 0xf];
    return to;
}

} // namespace

JsonText& JsonText::string(QStringView text) {
    const char16_t* const from = text.utf16();
    const qsizetype size = text.size();
    // Room for the worst case, six bytes a unit.
    char* const start = room(2 + 6 * size);
    char* to = start;
    *to++ = '"';
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = from[i];
        if (unit >= 0x20 && unit < 0x80 && unit != u'"' && unit != u'\\') {
            *to++ = char(unit);
            continue;
        }
        if (unit < 0x80) {
            *to++ = '\\';
            switch (unit) {
            case u'"':
                *to++ = '"';
                break;
            case u'\\':
                *to++ = '\\';
                break;
            case u'\b':
                *to++ = 'b';
                break;
            case u'\f':
                *to++ = 'f';
                break;
            case u'\n':
                *to++ = 'n';
                break;
            case u'\r':
                *to++ = 'r';
                break;
            case u'\t':
                *to++ = 't';
                break;
            default:
                to = escaped(to - 1, unit);
            }
            continue;
        }
        char32_t point = unit;
        if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(from[i + 1])) {
            point = QChar::surrogateToUcs4(unit, from[++i]);
        } else if (QChar::isSurrogate(unit)) {
            to = escaped(to, unit);
            continue;
        }
        if (point < 0x800) {
            *to++ = char(0xc0 | (point >> 6));
        } else if (point < 0x10000) {
            *to++ = char(0xe0 | (point >> 12));
            *to++ = char(0x80 | ((point >> 6) & 0x3f));
        } else {
            *to++ = char(0xf0 | (point >> 18));
            *to++ = char(0x80 | ((point >> 12) & 0x3f));
            *to++ = char(0x80 | ((point >> 6) & 0x3f));
        }
        *to++ = char(0x80 | (point & 0x3f));
    }
    *to++ = '"';
    size_ += to - start;
    return *this;
}
