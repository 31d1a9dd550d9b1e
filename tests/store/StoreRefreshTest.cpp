#include "StoreHarness.h"

#include "runtime/Observation.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QList<InstalledApp> apps(int count) {
    QList<InstalledApp> list;
    for (int i = 0; i < count; ++i)
        list.append(StoreHarness::app(QStringLiteral("App%1").arg(i, 2, 10, QLatin1Char('0'))));
    return list;
}

} // namespace

TEST(StoreRefresh, FirstFillComesInBatchesOfEightThenChecksAtMostEightAtOnce) {
    StoreHarness h;
    h.apps = apps(20);
    h.checkDelay = 100ms;
    for (const auto& a : h.apps)
        h.offer(a, StoreHarness::release(QStringLiteral("2.0")));
    Store& s = h.build();
    auto done = h.start(s.refresh());
    EXPECT_TRUE(s.scanning());
    EXPECT_EQ(s.items().size(), 8);
    h.clock.advance(34ms);
    EXPECT_EQ(s.items().size(), 8);
    h.clock.advance(1ms);
    EXPECT_EQ(s.items().size(), 16);
    h.clock.advance(35ms);
    EXPECT_EQ(s.items().size(), 20);
    EXPECT_EQ(h.checks, 0); // checking waits for the pause after the last batch
    h.clock.advance(35ms);
    EXPECT_EQ(s.toCheck(), 20);
    EXPECT_EQ(s.counting().size(), 20);
    EXPECT_TRUE(s.items().first()->checking());
    EXPECT_EQ(s.items().first()->status(), Status::checking());
    h.clock.advance(100ms);
    EXPECT_EQ(s.checked(), 8);
    EXPECT_EQ(s.items().first()->status(), Status::update());
    EXPECT_FALSE(s.items().first()->checking());
    EXPECT_TRUE(h.settle(done));
    EXPECT_EQ(h.mostChecks, 8);
    EXPECT_EQ(s.checked(), 20);
    EXPECT_TRUE(s.counting().isEmpty());
    EXPECT_FALSE(s.scanning());
    EXPECT_EQ(s.lastChecked(), h.clock.now());
    EXPECT_EQ(h.librarySyncs, 0); // signed out
}

TEST(StoreRefresh, ARefreshDuringARefreshReturnsAtOnce) {
    StoreHarness h;
    h.apps = apps(2);
    h.checkDelay = 1s;
    Store& s = h.build();
    auto first = h.start(s.refresh());
    auto second = h.start(s.refresh());
    EXPECT_TRUE(*second);
    EXPECT_FALSE(*first);
    EXPECT_TRUE(h.settle(first));
    EXPECT_EQ(h.checks, 2);
}

TEST(StoreRefresh, MergeKeepsRowsByPathLeavesBusyRowsAndDropsVanishedOnes) {
    StoreHarness h;
    h.apps = apps(4);
    Store& s = h.build();
    EXPECT_TRUE(h.settle(h.start(s.refresh())));
    const auto kept = h.row(QStringLiteral("App00"));
    const auto busy = h.row(QStringLiteral("App01"));
    const auto failed = h.row(QStringLiteral("App02"));
    busy->setPhase(InstallPhase::downloading(0.5));
    failed->setPhase(InstallPhase::failed(QStringLiteral("No.")));
    const int checksBefore = h.checks;

    ASSERT_EQ(h.apps.size(), 4);
    h.apps.removeAt(3);
    h.apps[0].version = QStringLiteral("1.1");
    h.apps[1].version = QStringLiteral("1.1");
    InstalledApp added = StoreHarness::app(QStringLiteral("New"));
    h.apps.append(added);
    h.prefs->setIgnoredApps({added.bundleID});
    int told = 0;
    auto handle = track([&] { s.items(); }, [&told] { ++told; });
    EXPECT_TRUE(h.settle(h.start(s.refresh())));
    Observation::cancel(handle);

    ASSERT_EQ(s.items().size(), 4);
    EXPECT_EQ(told, 1); // one assignment, no batches
    EXPECT_EQ(s.items()[0], kept);
    EXPECT_EQ(kept->app().version, QStringLiteral("1.1"));
    EXPECT_EQ(s.items()[1], busy);
    EXPECT_EQ(busy->app().version, QStringLiteral("1.0"));
    EXPECT_EQ(busy->phase(), InstallPhase::downloading(0.5));
    EXPECT_EQ(failed->phase(), InstallPhase::idle());
    EXPECT_EQ(h.row(QStringLiteral("App03")), nullptr);
    const auto ignored = h.row(QStringLiteral("New"));
    EXPECT_EQ(ignored->status(), Status::ignored(QStringLiteral("You're ignoring this app, so it isn't checked")));
    EXPECT_FALSE(ignored->checking());
    EXPECT_EQ(s.toCheck(), 2); // neither the busy nor the ignored row
    EXPECT_EQ(h.checks - checksBefore, 2);
}

TEST(StoreRefresh, NoApplicationsStillRecordsTheTimeAndSignedInUsersSync) {
    StoreHarness h;
    h.savedSession = Session{};
    h.savedSession->expires = h.clock.now().addDays(1);
    h.cloud = CloudConfig::emulator(QStringLiteral("k"), QStringLiteral("demo-p"), QStringLiteral("127.0.0.1:1"));
    Store& s = h.build();
    EXPECT_TRUE(h.settle(h.start(s.refresh())));
    EXPECT_EQ(s.toCheck(), 0);
    EXPECT_TRUE(s.lastChecked().has_value());
    EXPECT_EQ(h.librarySyncs, 1);
}

TEST(StoreRefresh, ASingleCheckIsCountedOnceAndAVanishedRowIsDropped) {
    StoreHarness h;
    h.apps = apps(1);
    h.checkDelay = 1s;
    Store& s = h.build();
    auto refresh = h.start(s.refresh());
    h.clock.advance(40ms);
    const auto row = s.items().first();
    auto single = h.start(s.check(row));
    EXPECT_TRUE(h.settle(refresh));
    EXPECT_TRUE(h.settle(single));
    EXPECT_EQ(s.checked(), 1);
    EXPECT_EQ(row->status().kind(), Status::Kind::cantVerify);

    s.setItems({});
    row->setChecking(false);
    EXPECT_TRUE(h.settle(h.start(s.check(row))));
    EXPECT_TRUE(row->checking()); // the result had no row to land on
}
