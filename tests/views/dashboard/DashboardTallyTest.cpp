#include "DashboardRows.h"

#include "views/dashboard/DashboardTally.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {
// The same counts taken the long way, from the store's own lists.
DashboardTally recount(const Store& s) {
    DashboardTally t;
    t.visible = static_cast<int>(s.visible().size());
    t.updates = s.count(Filter::updates);
    t.installable = static_cast<int>(s.installable().size());
    for (const auto& row : s.visible()) {
        // Updated, it counts as current while its status waits to be worked out again.
        const bool landed = row->phase() == InstallPhase::done() && row->status().kind() == Status::Kind::update;
        t.upToDate += row->status().kind() == Status::Kind::upToDate || landed;
        t.updates -= landed;
        t.installable -= landed && Store::installs(*row);
    }
    t.cantVerify = s.count(Filter::cantVerify);
    t.ignored = s.count(Filter::ignored);
    for (const auto& row : s.items())
        t.blocked += row->phase().kind() == InstallPhase::Kind::blocked;
    return t;
}

std::string text(const DashboardTally& t) {
    return QStringLiteral("visible %1, current %2, updates %3, unverified %4, ignored %5, installable %6, blocked %7")
        .arg(t.visible)
        .arg(t.upToDate)
        .arg(t.updates)
        .arg(t.cantVerify)
        .arg(t.ignored)
        .arg(t.installable)
        .arg(t.blocked)
        .toStdString();
}
} // namespace

// The tally keeps each row's share and reads again only what changed: after every kind of change
// it must agree with a count from scratch, and its readers must hear of the change.
TEST(DashboardTally, FollowsEveryRowChangeAsAFreshCountWould) {
    StoreHarness h;
    Store& s = h.build();
    s.setItems(makeRows({{u"A"_s},
                         {u"B"_s, Status::update()},
                         {u"C"_s, Status::checking()},
                         {u"D"_s, Status::update(), InstallPhase::idle(), true},
                         {u"E"_s, Status::ignored(u"x"_s)}}));
    const auto row = [&](int i) { return s.items().at(i); };
    const QList<std::pair<const char*, std::function<void()>>> steps{
        {"a result arrives", [&] { row(2)->setStatus(Status::cantVerify(u"why"_s)); }},
        {"an update starts", [&] { row(1)->setPhase(InstallPhase::queued()); }},
        {"it is blocked", [&] { row(1)->setPhase(InstallPhase::blocked()); }},
        {"a hidden row is blocked",
         [&] {
             h.prefs->setHideAppStore(true);
             row(3)->setPhase(InstallPhase::blocked());
         }},
        {"App Store rows show again", [&] { h.prefs->setHideAppStore(false); }},
        {"an update lands", [&] { row(1)->setPhase(InstallPhase::done()); }},
        {"rows are added",
         [&] {
             s.setItems(s.items() + makeRows({{u"F"_s, Status::update()}, {u"G"_s}}));
         }},
        {"two rows change in one turn",
         [&] {
             row(0)->setStatus(Status::update());
             row(6)->setStatus(Status::checking());
         }},
        {"the release goes", [&] { row(0)->setRelease(std::nullopt); }},
        {"the list is replaced",
         [&] {
             s.setItems(makeRows({{u"H"_s, Status::update()}, {u"I"_s}}));
         }},
        {"a row of the new list changes",
         [&] {
             row(1)->setStatus(Status::update());
             row(1)->setRelease(StoreHarness::release(u"3"_s));
         }},
    };
    EXPECT_EQ(text(DashboardTally::of(s)), text(recount(s))) << "first count";
    for (const auto& [what, change] : steps) {
        bool heard = false;
        auto handle = track([&] { DashboardTally::of(s); }, [&] { heard = true; });
        const auto dropped = s.items();
        change();
        QCoreApplication::processEvents();
        EXPECT_TRUE(heard) << what;
        EXPECT_EQ(text(DashboardTally::of(s)), text(recount(s))) << what;
        // A row no longer listed counts for nothing, whatever becomes of it.
        for (const auto& gone : dropped)
            if (!s.items().contains(gone))
                gone->setPhase(InstallPhase::blocked());
        EXPECT_EQ(text(DashboardTally::of(s)), text(recount(s))) << what << ", dropped rows changed";
    }
}
