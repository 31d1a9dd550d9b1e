#include "notch/NotchSchedule.h"

#include <QSet>

#include <algorithm>
#include <limits>

namespace NotchSchedule {
namespace {

constexpr double eightHours = 28800;
constexpr double twentyHours = 72000;

bool allAmong(const QStringList& keys, const QStringList& among) {
    const QSet<QString> known(among.begin(), among.end());
    return std::all_of(keys.begin(), keys.end(), [&](const QString& key) { return known.contains(key); });
}

bool isHour(qint64 value) { return value >= 0 && value <= 23; }

QDateTime atSeconds(qint64 seconds) { return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC); }

int offsetAt(const QTimeZone& zone, qint64 seconds) { return zone.offsetFromUtc(atSeconds(seconds)); }

} // namespace

QString inUseReason() { return QStringLiteral("Quenlark is open"); }

QDateTime wallTime(QDate date, QTime time, const QTimeZone& zone) {
    // The wall time read as if it were UTC; each offset the zone uses around that day maps it to
    // one candidate instant, which exists when the zone really has that offset there.
    const qint64 wall = QDateTime(date, time, Qt::UTC).toSecsSinceEpoch();
    QList<int> offsets;
    for (int day = -2; day <= 2; ++day) {
        const int offset = offsetAt(zone, wall + day * 86400);
        if (!offsets.contains(offset))
            offsets.append(offset);
    }
    std::optional<qint64> first;
    for (int offset : offsets) {
        const qint64 instant = wall - offset;
        if (offsetAt(zone, instant) == offset && (!first || instant < *first))
            first = instant;
    }
    if (first)
        return atSeconds(*first);

    // In a gap: the clock change itself is the first moment whose wall time lies past `time`.
    const auto [low, high] = std::minmax_element(offsets.begin(), offsets.end());
    qint64 before = wall - *high, after = wall - *low;
    while (after - before > 1) {
        const qint64 middle = before + (after - before) / 2;
        (middle + offsetAt(zone, middle) >= wall ? after : before) = middle;
    }
    return atSeconds(after);
}

NotchDecision decide(NotchTrigger trigger, const QStringList& pending, const NotchMemory& memory, NotchMode mode,
                     std::optional<QuietHours> quiet, const QDateTime& now, const QTimeZone& calendar, bool appInUse) {
    if (pending.isEmpty())
        return NotchDecision::skip(QStringLiteral("nothing pending"));
    if (trigger == NotchTrigger::manual)
        return NotchDecision::show();
    if (appInUse)
        return NotchDecision::skip(inUseReason());
    if (mode == NotchMode::never)
        return NotchDecision::skip(QStringLiteral("notch turned off"));
    if (memory.snoozedUntil && *memory.snoozedUntil > now)
        return NotchDecision::wait(*memory.snoozedUntil);
    if (memory.dismissals >= 3 && allAmong(pending, memory.dismissedKeys))
        return NotchDecision::skip(QStringLiteral("waved off ") + QString::number(memory.dismissals) +
                                   QStringLiteral(" times; waiting for something new"));

    // Hours outside a day are a broken setting, not a reason to stop showing: no quiet time.
    if (quiet && isHour(quiet->first) && isHour(quiet->second) && quiet->first != quiet->second) {
        const auto [from, to] = *quiet;
        const QDateTime local = now.toTimeZone(calendar);
        const int hour = local.time().hour();
        const bool quietNow = from < to ? from <= hour && hour < to : hour >= from || hour < to;
        if (quietNow) {
            const QTime end(static_cast<int>(to), 0);
            const QDateTime today = wallTime(local.date(), end, calendar);
            return NotchDecision::wait(today > now ? today : wallTime(local.date().addDays(1), end, calendar));
        }
    }

    const double since = memory.lastShown ? static_cast<double>(memory.lastShown->msecsTo(now)) / 1000.0
                                          : std::numeric_limits<double>::infinity();
    switch (trigger) {
    case NotchTrigger::wake:
        if (mode != NotchMode::smart)
            return NotchDecision::skip(QStringLiteral("wake doesn't show in this mode"));
        if (since < eightHours)
            return NotchDecision::skip(QStringLiteral("shown less than 8 h ago"));
        return NotchDecision::show();
    case NotchTrigger::check:
        if (mode == NotchMode::login)
            return NotchDecision::skip(QStringLiteral("checks don't show in this mode"));
        if (allAmong(pending, memory.lastShownKeys))
            return NotchDecision::skip(QStringLiteral("nothing new since it last showed"));
        if (since >= twentyHours)
            return NotchDecision::show();
        return NotchDecision::wait(memory.lastShown->addSecs(static_cast<qint64>(twentyHours)));
    case NotchTrigger::login:
    case NotchTrigger::resume:
    case NotchTrigger::manual:
        if (mode == NotchMode::daily && since < twentyHours)
            return NotchDecision::skip(QStringLiteral("already shown today"));
        return NotchDecision::show();
    }
    return NotchDecision::show();
}

QDateTime snooze(const QString& choice, const QDateTime& from, const QTimeZone& calendar) {
    const QDate day = from.toTimeZone(calendar).date();
    if (choice == QLatin1String("hour"))
        return from.addSecs(3600);
    if (choice == QLatin1String("tonight")) {
        const QDateTime seven = wallTime(day, QTime(19, 0), calendar);
        return from.msecsTo(seven) > 1800 * 1000 ? seven : from.addSecs(10800);
    }
    if (choice == QLatin1String("week"))
        return wallTime(day.addDays(7), QTime(9, 0), calendar);
    return wallTime(day.addDays(1), QTime(9, 0), calendar);
}

} // namespace NotchSchedule
