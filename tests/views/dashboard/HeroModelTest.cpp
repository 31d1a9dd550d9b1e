#include "DashboardRows.h"

#include "views/dashboard/HeroModel.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {
const Status odd = Status::cantVerify(u"no feed"_s);
const Status skipped = Status::ignored(u"by you"_s);
} // namespace

TEST(HeroModel, HeadlineSummaryAndUpdateAllFollowTheVisibleRows) {
    struct Case {
        QList<RowSpec> rows;
        bool hideAppStore;
        QString headline;
        QString summary;
        QString updateAll;
        bool enabled;
    };
    const QList<Case> cases{
        {{}, false, u"Everything's up to date"_s, u"0 apps  ·  0 up to date"_s, u"Update All"_s, false},
        {{{u"A"_s}}, false, u"Everything's up to date"_s, u"1 apps  ·  1 up to date"_s, u"Update All"_s, false},
        {{{u"A"_s, Status::update()}, {u"B"_s}},
         false,
         u"1 update ready"_s,
         u"2 apps  ·  1 up to date"_s,
         u"Update All  1"_s,
         true},
        {{{u"A"_s, Status::update()},
          {u"B"_s, Status::update()},
          {u"C"_s, Status::update()},
          {u"D"_s, odd},
          {u"E"_s, skipped},
          {u"F"_s, skipped}},
         false,
         u"3 updates ready"_s,
         u"6 apps  ·  0 up to date  ·  1 can't be verified  ·  2 ignored"_s,
         u"Update All  3"_s,
         true},
        {{{u"A"_s, odd}, {u"B"_s}},
         false,
         u"No updates found"_s,
         u"2 apps  ·  1 up to date  ·  1 can't be verified"_s,
         u"Update All"_s,
         false},
        // Hidden App Store rows count nowhere.
        {{{u"A"_s, Status::update(), InstallPhase::idle(), true}, {u"B"_s}},
         true,
         u"Everything's up to date"_s,
         u"1 apps  ·  1 up to date"_s,
         u"Update All"_s,
         false},
        // An update on the application's own row is not installable from here.
        {{{u"Q"_s, Status::update(), InstallPhase::idle(), false, u"com.quenlark.Quenlark"_s}},
         false,
         u"1 update ready"_s,
         u"1 apps  ·  0 up to date"_s,
         u"Update All"_s,
         false},
    };
    for (const auto& c : cases) {
        StoreHarness h;
        h.prefs->setHideAppStore(c.hideAppStore);
        Store& s = h.build();
        s.setItems(makeRows(c.rows));
        EXPECT_EQ(HeroModel::headline(s), c.headline) << c.headline.toStdString();
        EXPECT_EQ(HeroModel::summary(s, h.clock), c.summary) << c.summary.toStdString();
        EXPECT_EQ(HeroModel::updateAllTitle(s), c.updateAll) << c.summary.toStdString();
        EXPECT_EQ(HeroModel::updateAllEnabled(s), c.enabled) << c.summary.toStdString();
        EXPECT_TRUE(HeroModel::checkAgainEnabled(s));
    }
}

TEST(HeroModel, RefreshesReadScanningThenCheckProgressAndLeaveTheTimeOutMeanwhile) {
    StoreHarness h;
    for (int i = 0; i < 3; ++i) {
        h.apps.append(StoreHarness::app(u"App"_s + QString::number(i)));
        h.offer(h.apps.last(), StoreHarness::release(u"1.0"_s));
    }
    h.checkDelay = 100ms;
    Store& s = h.build();
    const QLocale locale(QLocale::English, QLocale::UnitedKingdom);

    auto first = h.start(s.refresh());
    EXPECT_EQ(HeroModel::headline(s), u"Scanning your apps…"_s);
    EXPECT_FALSE(HeroModel::checkAgainEnabled(s));
    h.clock.advance(40ms);
    h.clock.advance(60ms);
    EXPECT_EQ(HeroModel::headline(s), u"Checking 0 of 3…"_s);
    ASSERT_TRUE(h.settle(first));
    EXPECT_EQ(HeroModel::headline(s), u"Everything's up to date"_s);
    EXPECT_EQ(HeroModel::summary(s, h.clock, locale), u"3 apps  ·  3 up to date  ·  checked 12:00"_s);

    // A later refresh keeps the previous count through its scan.
    auto second = h.start(s.refresh());
    EXPECT_EQ(HeroModel::headline(s), u"Checking 0 of 3…"_s);
    EXPECT_EQ(HeroModel::summary(s, h.clock, locale), u"3 apps  ·  3 up to date"_s);
    ASSERT_TRUE(h.settle(second));
}

TEST(HeroModel, UpdateAllIsDisabledWhileItRuns) {
    StoreHarness h;
    h.apps = {StoreHarness::app(u"A"_s), StoreHarness::app(u"B"_s)};
    for (const auto& app : h.apps)
        h.offer(app, StoreHarness::release(u"2.0"_s));
    Store& s = h.build();
    ASSERT_TRUE(h.settle(h.start(s.refresh())));
    EXPECT_EQ(HeroModel::updateAllTitle(s), u"Update All  2"_s);
    EXPECT_TRUE(HeroModel::updateAllEnabled(s));
    auto run = h.start(s.updateAll());
    EXPECT_FALSE(HeroModel::updateAllEnabled(s));
    ASSERT_TRUE(h.settle(run));
}

TEST(HeroModel, TheCheckedTimeHasHoursAndMinutesInEveryLocale) {
    StoreHarness h;
    h.apps.append(StoreHarness::app(u"App"_s));
    h.offer(h.apps.last(), StoreHarness::release(u"1.0"_s));
    Store& s = h.build();
    ASSERT_TRUE(h.settle(h.start(s.refresh())));
    const struct {
        QLocale locale;
        QString time;
    } cases[] = {
        {QLocale::c(), u"12:00"_s}, // its short format has seconds
        {QLocale(QLocale::English, QLocale::UnitedKingdom), u"12:00"_s},
        {QLocale(QLocale::English, QLocale::UnitedStates), u"12:00 PM"_s},
        {QLocale(QLocale::Finnish, QLocale::Finland), u"12.00"_s},
        {QLocale(QLocale::French, QLocale::Canada), u"12 h 00"_s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HeroModel::summary(s, h.clock, c.locale), u"1 apps  ·  1 up to date  ·  checked "_s + c.time)
            << c.locale.name().toStdString();
}
