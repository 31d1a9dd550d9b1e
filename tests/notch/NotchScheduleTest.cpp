#include "notch/NotchSchedule.h"

#include <gtest/gtest.h>

#include <QTimeZone>

namespace {

const QTimeZone berlin("Europe/Berlin");
const QTimeZone utc = QTimeZone::utc();

QDateTime at(const char* iso) { return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toUTC(); }

// A wall time in Berlin, written with its UTC offset so no reading of ours is involved.
QDateTime local(const char* iso) { return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs); }

std::string describe(const NotchDecision& d) {
    switch (d.kind()) {
    case NotchDecision::Kind::show:
        return "show";
    case NotchDecision::Kind::skip:
        return "skip " + d.reason().toStdString();
    case NotchDecision::Kind::wait:
        return "wait " + d.until().toUTC().toString(Qt::ISODate).toStdString();
    }
    return {};
}

} // namespace

TEST(NotchSchedule, DecidesByTheFirstRuleThatApplies) {
    const QDateTime now = at("2026-01-05T12:00:00Z");
    NotchMemory recent;
    recent.lastShown = now.addSecs(-3600);
    recent.lastShownKeys = {"a@1"};
    NotchMemory old = recent;
    old.lastShown = now.addSecs(-72000);
    NotchMemory eight = recent;
    eight.lastShown = now.addSecs(-28800);
    NotchMemory snoozed;
    snoozed.snoozedUntil = now.addSecs(600);
    NotchMemory snoozeOver;
    snoozeOver.snoozedUntil = now;
    NotchMemory wavedOff;
    wavedOff.dismissals = 4;
    wavedOff.dismissedKeys = {"b@2", "a@1"};
    const NotchSchedule::QuietHours night{22, 8};

    using T = NotchTrigger;
    using M = NotchMode;
    const auto show = NotchDecision::show();
    const auto skip = [](const char* why) { return NotchDecision::skip(QString::fromLatin1(why)); };
    struct Case {
        T trigger;
        QStringList pending;
        NotchMemory memory;
        M mode;
        std::optional<NotchSchedule::QuietHours> quiet;
        bool inUse;
        NotchDecision expected;
    };
    const QStringList one{"a@1"}, two{"a@1", "b@2"};
    const Case cases[] = {
        {T::manual, {}, {}, M::smart, {}, false, skip("nothing pending")},
        {T::manual, one, snoozed, M::never, night, true, show},
        {T::login, one, {}, M::smart, {}, true, skip("Quenlark is open")},
        {T::login, one, {}, M::never, {}, false, skip("notch turned off")},
        {T::check, one, snoozed, M::smart, {}, false, NotchDecision::wait(now.addSecs(600))},
        {T::login, one, snoozeOver, M::smart, {}, false, show},
        {T::check, two, wavedOff, M::smart, {}, false, skip("waved off 4 times; waiting for something new")},
        {T::check, QStringList{"b@2", "a@1", "c@3"}, wavedOff, M::smart, {}, false, show},
        // Rule 8 by trigger and mode.
        {T::wake, one, eight, M::smart, {}, false, show},
        {T::wake, one, recent, M::smart, {}, false, skip("shown less than 8 h ago")},
        {T::wake, one, {}, M::daily, {}, false, skip("wake doesn't show in this mode")},
        {T::wake, one, {}, M::login, {}, false, skip("wake doesn't show in this mode")},
        {T::check, one, {}, M::login, {}, false, skip("checks don't show in this mode")},
        {T::check, one, old, M::smart, {}, false, skip("nothing new since it last showed")},
        {T::check, two, old, M::smart, {}, false, show},
        {T::check, two, recent, M::daily, {}, false, NotchDecision::wait(recent.lastShown->addSecs(72000))},
        {T::check, one, {}, M::daily, {}, false, show},
        {T::login, one, old, M::daily, {}, false, show},
        {T::resume, one, recent, M::daily, {}, false, skip("already shown today")},
        {T::resume, one, recent, M::smart, {}, false, show},
        {T::login, one, recent, M::login, {}, false, show},
        // Quiet hours that are none at all: equal, or not hours of a day.
        {T::login, one, {}, M::smart, NotchSchedule::QuietHours{12, 12}, false, show},
        {T::login, one, {}, M::smart, NotchSchedule::QuietHours{11, 24}, false, show},
        {T::login, one, {}, M::smart, NotchSchedule::QuietHours{-1, 13}, false, show},
        {T::login, one, {}, M::smart, NotchSchedule::QuietHours{11, 13}, false, NotchDecision::wait(now.addSecs(3600))},
    };
    for (const auto& c : cases) {
        const auto decision = NotchSchedule::decide(c.trigger, c.pending, c.memory, c.mode, c.quiet, now, utc, c.inUse);
        EXPECT_EQ(decision, c.expected) << describe(decision) << " instead of " << describe(c.expected) << " for "
                                        << c.pending.join(',').toStdString();
    }
}

TEST(NotchSchedule, WaitsOutQuietHoursOnBerlinsClock) {
    struct Case {
        const char* now;
        qint64 from, to;
        const char* until; // empty: not quiet
    };
    const Case cases[] = {
        {"2026-01-05T23:30:00+01:00", 22, 8, "2026-01-06T08:00:00+01:00"},
        {"2026-01-05T07:00:00+01:00", 22, 8, "2026-01-05T08:00:00+01:00"},
        {"2026-01-05T08:00:00+01:00", 22, 8, ""},
        {"2026-01-05T21:59:59+01:00", 22, 8, ""},
        {"2026-01-05T03:00:00+01:00", 1, 5, "2026-01-05T05:00:00+01:00"},
        {"2026-01-05T09:30:00+01:00", 9, 9, ""},
        // 02:00 does not exist on 29 March: the clocks go from 01:59:59 to 03:00.
        {"2026-03-29T01:30:00+01:00", 1, 2, "2026-03-29T03:00:00+02:00"},
        {"2026-03-28T23:00:00+01:00", 22, 2, "2026-03-29T03:00:00+02:00"},
        // 02:00 happens twice on 25 October: the first one ends it.
        {"2026-10-25T01:30:00+02:00", 23, 2, "2026-10-25T02:00:00+02:00"},
        {"2026-10-24T23:30:00+02:00", 23, 2, "2026-10-25T02:00:00+02:00"},
        // The second 02:30 of the night is still quiet until 03:00.
        {"2026-10-25T02:30:00+01:00", 2, 3, "2026-10-25T03:00:00+01:00"},
        {"2026-10-25T23:10:00+01:00", 23, 7, "2026-10-26T07:00:00+01:00"},
    };
    for (const auto& c : cases) {
        const auto decision =
            NotchSchedule::decide(NotchTrigger::login, {"a@1"}, {}, NotchMode::smart,
                                  NotchSchedule::QuietHours{c.from, c.to}, local(c.now), berlin, false);
        const auto expected = *c.until ? NotchDecision::wait(local(c.until)) : NotchDecision::show();
        EXPECT_EQ(decision, expected) << c.now << ": " << describe(decision);
    }
}

TEST(NotchSchedule, EndsSnoozesOnTheCalendar) {
    struct Case {
        const char* choice;
        const char* from;
        const char* until;
    };
    const Case cases[] = {
        {"tonight", "2026-01-05T18:29:59+01:00", "2026-01-05T19:00:00+01:00"},
        {"tonight", "2026-01-05T18:30:00+01:00", "2026-01-05T21:30:00+01:00"},
        {"tonight", "2026-01-05T18:40:00+01:00", "2026-01-05T21:40:00+01:00"},
        {"tonight", "2026-01-05T22:00:00+01:00", "2026-01-06T01:00:00+01:00"},
        {"hour", "2026-01-05T23:30:00+01:00", "2026-01-06T00:30:00+01:00"},
        {"tomorrow", "2026-01-05T23:30:00+01:00", "2026-01-06T09:00:00+01:00"},
        {"someday", "2026-01-05T00:10:00+01:00", "2026-01-06T09:00:00+01:00"},
        // Across the change to summer time: calendar days, not 24-hour spans.
        {"week", "2026-03-25T10:00:00+01:00", "2026-04-01T09:00:00+02:00"},
        {"tomorrow", "2026-03-28T20:00:00+01:00", "2026-03-29T09:00:00+02:00"},
        {"hour", "2026-03-29T01:30:00+01:00", "2026-03-29T03:30:00+02:00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NotchSchedule::snooze(QString::fromLatin1(c.choice), local(c.from), berlin), local(c.until))
            << c.choice << " at " << c.from;
}
