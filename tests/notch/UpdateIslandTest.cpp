#include "notch/UpdateIsland.h"

#include "FakeClock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace {

using Occupant = NotchOccupants::Occupant;

struct Panel final : IslandPanel {
    explicit Panel(QStringList& log) : log(log) {}
    void orderOut() override { log.append(QStringLiteral("out")); }
    QStringList& log;
};

class UpdateIslandTest : public ::testing::Test {
protected:
    UpdateIslandTest()
        : island(UpdateIsland::Desktop{
              [this] { return ids; },
              [this] { return screen; },
              [this](const UpdateIsland::Screen&) {
                  ++probes;
                  return scripted.isEmpty() ? covering : scripted.takeFirst();
              },
              [this](const std::shared_ptr<IslandState>&, const UpdateIsland::Screen&) {
                  log.append(QStringLiteral("panel"));
                  return std::make_shared<Panel>(log);
              },
              [this] { log.append(QStringLiteral("memory")); },
              [this] { log.append(QStringLiteral("notification")); },
              [this] { log.append(QStringLiteral("main window")); },
              [this] { return reduced; },
          }) {}

    void advance(double seconds) {
        clock.advanceSeconds(seconds);
        QCoreApplication::processEvents();
    }
    IslandState* state() const { return island.island() ? island.island()->state.get() : nullptr; }

    FakeClock clock;
    QStringList ids{QStringLiteral("/Applications/A.app")};
    std::optional<UpdateIsland::Screen> screen = UpdateIsland::Screen{{0, 0, 1920, 1080}, {0, 28, 1920, 1052}, {}};
    QList<Occupant> covering;
    QList<QList<Occupant>> scripted;  // answers of the next probes, before `covering`
    bool reduced = false;
    int probes = 0;
    QStringList log;
    UpdateIsland island;
};

TEST_F(UpdateIslandTest, PresentsOnAFreeNotchExpandsAfter50msAndFoldsAfter700ms) {
    island.show(true, false);
    ASSERT_NE(state(), nullptr);
    EXPECT_TRUE(island.autoShown());
    EXPECT_EQ(log, (QStringList{QStringLiteral("panel"), QStringLiteral("memory")}));
    advance(0.049);
    EXPECT_FALSE(state()->expanded());
    advance(0.001);
    EXPECT_TRUE(state()->expanded());

    // A second showing adds only the new ids and records nothing.
    ids.append(QStringLiteral("/Applications/B.app"));
    island.show(false, false);
    EXPECT_EQ(state()->ids().size(), 2);
    EXPECT_TRUE(island.autoShown());
    EXPECT_EQ(log.size(), 2);

    auto shown = island.island()->state;
    island.openApp();
    EXPECT_EQ(state(), nullptr);
    EXPECT_FALSE(shown->expanded());
    EXPECT_EQ(island.folding(), 1);
    EXPECT_FALSE(island.detach().has_value());
    advance(0.699);
    EXPECT_EQ(log.last(), QStringLiteral("main window"));
    advance(0.001);
    EXPECT_EQ(log.last(), QStringLiteral("out"));
    EXPECT_EQ(island.folding(), 0);

    // Reduced motion: out after 0.25 s. A preview records nothing.
    reduced = true;
    island.show(false, true);
    ASSERT_NE(state(), nullptr);
    EXPECT_EQ(log.count(QStringLiteral("memory")), 1);
    island.foldIfUp(state());
    advance(0.25);
    EXPECT_EQ(log.last(), QStringLiteral("out"));
}

TEST_F(UpdateIslandTest, WaitsForTheNotchPollingOnceASecondAndGivesUpAfter600Polls) {
    covering = {Occupant{5, QStringLiteral("Player"), {900, 0, 100, 40}}};
    island.show(false, false);
    island.show(true, false);  // a wait already runs: not even autoShown changes
    EXPECT_TRUE(island.waiting());
    EXPECT_FALSE(island.autoShown());
    island.detach();
    EXPECT_FALSE(island.waiting());
    covering.clear();
    advance(1);  // the cancelled wait ends without presenting
    EXPECT_EQ(state(), nullptr);

    covering = {Occupant{5, QStringLiteral("Player"), {900, 0, 100, 40}}};
    probes = 0;
    island.show(false, false);
    EXPECT_EQ(probes, 1);
    advance(1);
    EXPECT_EQ(probes, 2);
    covering.clear();
    ids = {QStringLiteral("/Applications/C.app")};
    advance(1);
    ASSERT_NE(state(), nullptr);
    EXPECT_EQ(state()->ids(), ids);  // recomputed when the notch came free
    island.detach();

    covering = {Occupant{5, QStringLiteral("Player"), {900, 0, 100, 40}}};
    probes = 0;
    island.show(false, false);
    advance(599);
    EXPECT_TRUE(island.waiting());
    EXPECT_FALSE(log.contains(QStringLiteral("notification")));
    advance(1);
    EXPECT_FALSE(island.waiting());
    EXPECT_EQ(probes, 601);
    EXPECT_EQ(log.last(), QStringLiteral("notification"));

    // No screen: nothing happens.
    screen.reset();
    island.show(true, false);
    EXPECT_FALSE(island.waiting());
}

TEST_F(UpdateIslandTest, WatcherFoldsForANewOccupantAndShowsAgainASecondLater) {
    const Occupant old{5, QStringLiteral("Player"), {900, 0, 100, 40}};
    const Occupant fresh{6, QStringLiteral("Chat"), {900, 0, 100, 40}};
    island.show(false, false);
    covering = {old};  // arrives after presentation: counts
    auto first = island.island()->state;
    advance(0.699);
    EXPECT_EQ(state(), first.get());
    advance(0.001);
    EXPECT_EQ(state(), nullptr);
    covering.clear();
    advance(0.999);
    EXPECT_EQ(state(), nullptr);
    advance(0.001);
    ASSERT_NE(state(), nullptr);
    EXPECT_NE(state(), first.get());

    // Windows already over the notch when it appeared never fold it.
    island.detach();
    advance(1);
    scripted = {{}, {old}};  // free at the wait's test, `old` there at presentation
    covering = {old};
    island.show(false, false);
    auto third = island.island()->state;
    advance(5);
    EXPECT_EQ(state(), third.get());
    covering = {old, fresh};
    advance(0.7);
    EXPECT_EQ(state(), nullptr);

    // A late step of a folded island leaves the island shown after it alone.
    advance(1);
    covering.clear();
    advance(1);
    ASSERT_NE(state(), nullptr);
    const IslandState* fourth = state();
    island.foldIfUp(third.get());
    EXPECT_EQ(state(), fourth);
}

} // namespace
