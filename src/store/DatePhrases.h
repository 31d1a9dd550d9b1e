#pragma once

#include <QDateTime>
#include <QString>

// Dates as people read them, in the user's locale (QLocale's default), from ICU.
namespace DatePhrases {

// A relative phrase for `date` seen from `now`, numeric with full unit names ("3 days ago",
// "in 2 hours"), in the largest unit that counts at least one.
QString relative(const QDateTime& date, const QDateTime& now);
// The date in the abbreviated style, without the time ("Dec 9, 2026"), in the local time zone.
QString abbreviated(const QDateTime& date);

} // namespace DatePhrases
