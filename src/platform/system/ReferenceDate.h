#pragma once

#include <QDateTime>

#include <optional>

// Dates stored as seconds since 1 January 2001 00:00:00 UTC, the form property lists and the
// stored settings use.
namespace ReferenceDate {

// 2001-01-01T00:00:00Z as seconds since the Unix epoch.
inline constexpr qint64 unixOffset = 978307200;

// The UTC date `seconds` after the reference date, to the millisecond; nothing for a value that
// is not finite or lies beyond any representable date.
std::optional<QDateTime> fromSeconds(double seconds);

// Seconds from the reference date to `date` (negative before it).
double seconds(const QDateTime& date);

} // namespace ReferenceDate
