#include "StoreHarness.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(StoreSchedule, SleepsTheIntervalOnTheClockAndRestartsOnAChange) {
    StoreHarness h;
    h.apps = {StoreHarness::app(QStringLiteral("Alpha"))};
    h.offer(h.apps[0], StoreHarness::release(QStringLiteral("2.0")));
    h.prefs->setIntervalHours(24);
    Store& s = h.build();
    s.startSchedule();
    h.clock.advance(24h - 1s);
    EXPECT_EQ(h.checks, 0);
    h.clock.advance(2s);
    EXPECT_EQ(h.checks, 1);
    h.clock.advance(24h);
    EXPECT_EQ(h.checks, 2);

    h.clock.advance(12h);
    h.prefs->setIntervalHours(1);
    s.startSchedule();
    h.clock.advance(59min);
    EXPECT_EQ(h.checks, 2);
    h.clock.advance(2min);
    EXPECT_EQ(h.checks, 3);

    h.prefs->setIntervalHours(0);
    s.startSchedule();
    EXPECT_FALSE(s.scheduled());
    h.clock.advance(48h);
    EXPECT_EQ(h.checks, 3);

    h.prefs->setIntervalHours(1000);
    s.startSchedule();
    h.clock.advance(999h);
    EXPECT_EQ(h.checks, 3);
    h.clock.advance(2h);
    EXPECT_EQ(h.checks, 4);
    EXPECT_TRUE(s.scheduled());
}

TEST(StoreSchedule, AScheduledRefreshIsABackgroundOne) {
    StoreHarness h;
    h.apps = {StoreHarness::app(QStringLiteral("Alpha"))};
    h.offer(h.apps[0], StoreHarness::release(QStringLiteral("2.0")));
    h.prefs->setIntervalHours(1);
    Store& s = h.build();
    s.startSchedule();
    h.clock.advance(61min);
    EXPECT_EQ(h.notchRequests, QList<NotchTrigger>{NotchTrigger::check});
}
