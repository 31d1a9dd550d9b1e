#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace Decimal {

// "+12", "-3", "42": a signed decimal 64-bit integer, else nothing. No blanks, no other digits
// than ASCII ones, no overflow.
std::optional<std::int64_t> parse(const QString& text);

} // namespace Decimal
