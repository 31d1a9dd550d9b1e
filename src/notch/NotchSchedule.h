#pragma once

#include "model/NotchMemory.h"
#include "model/NotchMode.h"
#include "notch/NotchDecision.h"
#include "store/NotchTrigger.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QTime>
#include <QTimeZone>

#include <optional>
#include <utility>

// When updates may drop from the notch, as pure functions. Hours and calendar days are reckoned
// in the given zone (Gregorian calendar).
namespace NotchSchedule {

// Quiet hours as whole hours (from, to); from == to is no quiet time at all.
using QuietHours = std::pair<qint64, qint64>;

// The skip reason the scheduler acts on: the user is looking at the application already.
QString inUseReason();

// Show, wait or skip for `trigger`, with `now` the moment the showing would happen.
NotchDecision decide(NotchTrigger trigger, const QStringList& pending, const NotchMemory& memory, NotchMode mode,
                     std::optional<QuietHours> quiet, const QDateTime& now, const QTimeZone& calendar, bool appInUse);

// The end of a snooze chosen at `from`: "hour", "tonight", "week"; anything else is tomorrow.
QDateTime snooze(const QString& choice, const QDateTime& from, const QTimeZone& calendar);

// The moment the clocks in `zone` show `time` on `date`. A time skipped by a clock change gives
// the first time after the gap; a time shown twice gives its first occurrence.
QDateTime wallTime(QDate date, QTime time, const QTimeZone& zone);

} // namespace NotchSchedule
