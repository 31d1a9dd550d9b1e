#include "sources/Decimal.h"

#include <limits>

namespace Decimal {

std::optional<std::int64_t> parse(const QString& text) {
    qsizetype index = 0;
    bool negative = false;
    if (index < text.size() && (text[index] == u'+' || text[index] == u'-')) {
        negative = text[index] == u'-';
        ++index;
    }
    if (index == text.size())
        return std::nullopt;
    // Accumulate towards the negative side so that the smallest value fits too.
    std::int64_t value = 0;
    constexpr std::int64_t min = std::numeric_limits<std::int64_t>::min();
    for (; index < text.size(); ++index) {
        const char16_t c = text[index].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c - u'0';
        if (value < (min + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == min)
            return std::nullopt;
        value = -value;
    }
    return value;
}

} // namespace Decimal
