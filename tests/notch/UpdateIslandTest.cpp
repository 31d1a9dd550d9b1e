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
              {},
              {},
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
    QList<QList<Occupant>> scripted; // answers of the next probes, before `covering`
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
    island.show(true, false); // a wait already runs: not even autoShown changes
    EXPECT_TRUE(island.waiting());
    EXPECT_FALSE(island.autoShown());
    island.detach();
    EXPECT_FALSE(island.waiting());
    covering.clear();
    advance(1); // the cancelled wait ends without presenting
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
    EXPECT_EQ(state()->ids(), ids); // recomputed when the notch came free
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
    covering = {old}; // arrives after presentation: counts
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
    scripted = {{}, {old}}; // free at the wait's test, `old` there at presentation
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

namespace {

// The main window's way up, by what is on screen.
class DropWindowTest : public UpdateIslandTest {
protected:
    DropWindowTest() {}
    UpdateIsland grower() {
        UpdateIsland::Desktop d{
            [this] { return ids; },
            [this] { return screen; },
            [this](const UpdateIsland::Screen&) { return QList<Occupant>{}; },
            [this](const std::shared_ptr<IslandState>&, const UpdateIsland::Screen&) {
                return std::make_shared<Panel>(log);
            },
            [] {},
            [] {},
            [this] { log.append(QStringLiteral("open")); },
            [] { return false; },
            [this] { return mainShown; },
            [this](QRectF from, std::shared_ptr<IslandPanel> island, std::function<void()> done) {
                grown.append(from);
                through = std::move(island);
                finish = std::move(done);
            },
        };
        return UpdateIsland(std::move(d));
    }

    bool mainShown = false;
    QList<QRectF> grown;
    std::shared_ptr<IslandPanel> through; // the panel the window grows out of
    std::function<void()> finish;
};

TEST_F(DropWindowTest, GrowsOutOfTheOpenIslandOrTheTopOfTheScreenElseOpens) {
    UpdateIsland up = grower();
    // No island: out of the folded pill, 150 × 34 at 8 below the work area, centred.
    up.dropWindow();
    ASSERT_EQ(grown.size(), 1);
    EXPECT_EQ(grown.last(), QRectF(885, 36, 150, 34));
    EXPECT_EQ(through, nullptr);
    EXPECT_TRUE(up.opening());
    up.dropWindow(); // while opening nothing starts
    up.openApp();
    EXPECT_EQ(grown.size(), 1);
    finish();
    EXPECT_FALSE(up.opening());

    // An open island: out of its drawn rectangle on the screen; its panel goes once grown.
    up.show(false, false);
    advance(0.05);
    up.island()->state->setIslandRect(QRectF(50, 0, 520, 200));
    const std::shared_ptr<IslandPanel> panel = up.island()->panel;
    const std::shared_ptr<IslandState> fading = up.island()->state;
    EXPECT_FALSE(fading->leaving());
    up.dropWindow();
    EXPECT_TRUE(fading->leaving()) << "the island the window grows out of takes no more input";
    ASSERT_EQ(grown.size(), 2);
    EXPECT_EQ(grown.last(), QRectF(650 + 50, 36, 520, 200));
    EXPECT_EQ(through, panel);
    EXPECT_TRUE(up.opening());
    EXPECT_FALSE(up.island().has_value());
    EXPECT_FALSE(log.contains(QStringLiteral("out")));
    finish();
    EXPECT_EQ(log.last(), QStringLiteral("out"));

    struct Case {
        const char* what;
        bool preview, expanded, shown;
        bool grows;
    };
    const Case cases[] = {
        {"preview", true, true, false, false},
        {"still folded", false, false, false, false},
        {"window already up", false, true, true, false},
        {"open island", false, true, false, true},
    };
    for (const Case& c : cases) {
        log.clear();
        grown.clear();
        mainShown = c.shown;
        up.show(false, c.preview);
        ASSERT_TRUE(up.island().has_value()) << c.what;
        up.island()->state->setExpanded(c.expanded);
        up.island()->state->setIslandRect(QRectF(50, 0, 520, 200));
        const std::shared_ptr<IslandState> going = up.island()->state;
        up.openApp();
        EXPECT_TRUE(going->leaving()) << c.what;
        EXPECT_EQ(grown.size(), c.grows ? 1 : 0) << c.what;
        EXPECT_EQ(log.contains(QStringLiteral("open")), !c.grows) << c.what;
        EXPECT_FALSE(up.island().has_value()) << c.what;
        if (c.grows)
            finish();
        advance(1);
    }

    // The window already up comes forward; no screen: it simply opens.
    log.clear();
    mainShown = true;
    up.dropWindow();
    EXPECT_EQ(log, QStringList{QStringLiteral("open")});
    mainShown = false;
    screen.reset();
    up.dropWindow();
    EXPECT_EQ(log.size(), 2);
    EXPECT_FALSE(up.opening());
}

} // namespace
