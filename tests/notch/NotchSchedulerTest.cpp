#include "model/Launch.h"
#include "model/Prefs.h"
#include "notch/IslandModel.h"
#include "notch/NotchScheduler.h"
#include "notch/LiveNotchHooks.h"
#include "NullAccountHooks.h"
#include "store/Store.h"
#include "platform/system/Defaults.h"
#include "platform/desktop/SessionWake.h"
#include "runtime/MakeShared.h"

#include "FakeClock.h"
#include "FakeShell.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTimeZone>

namespace {

class FakeDesktop final : public NotchDesktop {
public:
    QList<Window> windows;
    bool active = false;
    bool fullScreen = false;
    int fullScreenTests = 0;

    // The island's side: one screen when set, and the panels made on it.
    std::optional<UpdateIsland::Screen> screen;
    std::shared_ptr<IslandModel> model;
    QRectF frame;
    int orderedOut = 0;

    QList<Window> ownWindows() const override { return windows; }
    bool applicationActive() const override { return active; }
    std::optional<UpdateIsland::Screen> hangingScreen() const override { return screen; }
    std::shared_ptr<IslandPanel> makePanel(std::shared_ptr<IslandModel> shown, const QRectF& at) override {
        struct Panel final : IslandPanel {
            int& out;
            explicit Panel(int& out) : out(out) {}
            void orderOut() override { ++out; }
        };
        model = std::move(shown);
        frame = at;
        return std::make_shared<Panel>(orderedOut);
    }
    bool fullScreenAppInFront() const override {
        ++const_cast<FakeDesktop*>(this)->fullScreenTests;
        return fullScreen;
    }
};

class NotchSchedulerTest : public ::testing::Test {
protected:
    NotchSchedulerTest()
        : prefs(std::make_shared<Defaults>(TestEnvironment::root() + QStringLiteral("/notch.plist")), false),
          scheduler(prefs, desktop, wake,
                    NotchScheduler::Rows{[this] {
                                             ++keyReads;
                                             return keys;
                                         },
                                         [this] { return touring; }},
                    [this](bool autoShown) { island(autoShown); }) {
        prefs.setQuietHours(false);
        prefs.setNotchMemory({});
        prefs.setNotchMode(NotchMode::smart);
        // No bus: the scheduler's start must not reach the real desktop.
        wake.listen(QDBusConnection(QString()), QDBusConnection(QString()));
    }
    ~NotchSchedulerTest() override { Launch::setArgsForTest({}); }

    // What the island does when it shows by itself: it records the showing.
    void island(bool autoShown) {
        shown.append(clock.now());
        autoShows.append(autoShown);
        NotchMemory memory = prefs.notchMemory();
        memory.lastShown = clock.now();
        memory.lastShownKeys = keys;
        prefs.setNotchMemory(memory);
    }

    void advanceTo(const QDateTime& moment) { clock.advance(Clock::Duration(clock.now().msecsTo(moment))); }
    QDateTime after(double seconds) const { return start.addMSecs(static_cast<qint64>(seconds * 1000)); }

    FakeClock clock;
    const QDateTime start = clock.now();
    Prefs prefs;
    FakeDesktop desktop;
    SessionWake wake;
    QStringList keys{"com.example.A@2.0"};
    bool touring = false;
    int keyReads = 0;
    QList<QDateTime> shown;
    QList<bool> autoShows;
    NotchScheduler scheduler;
};

} // namespace

TEST_F(NotchSchedulerTest, FollowsWakeOnceShowsAfterTheTriggersDelayAndKeepsItThroughASkip) {
    scheduler.start();
    scheduler.start();
    Q_EMIT wake.woke();
    EXPECT_EQ(keyReads, 1); // one decision, however often start ran
    clock.advanceSeconds(10);
    prefs.setNotchMode(NotchMode::never);
    Q_EMIT wake.woke(); // a skip leaves the showing already decided in place
    clock.advanceSeconds(19.9);
    EXPECT_TRUE(shown.isEmpty());
    clock.advanceSeconds(0.1);
    EXPECT_EQ(shown, QList<QDateTime>{after(30)});
    EXPECT_EQ(autoShows, QList<bool>{true});
}

TEST_F(NotchSchedulerTest, WaitsAtLeastAMinuteAndResumesASnoozeAsResume) {
    // A check due 10 s from now waits a whole minute.
    NotchMemory memory;
    memory.lastShown = start.addSecs(-71990);
    memory.lastShownKeys = {"com.example.Old@1"};
    prefs.setNotchMemory(memory);
    scheduler.request(NotchTrigger::check);
    clock.advanceSeconds(59);
    EXPECT_TRUE(shown.isEmpty());
    clock.advanceSeconds(1);
    EXPECT_EQ(shown, QList<QDateTime>{after(60)});

    // A wait under a snooze decides again as the snooze's end, which shows what a check would
    // call nothing new.
    memory = prefs.notchMemory();
    memory.snoozedUntil = clock.now().addSecs(10);
    prefs.setNotchMemory(memory);
    scheduler.request(NotchTrigger::check);
    clock.advanceSeconds(60);
    EXPECT_EQ(shown.size(), 2);

    // "hour" waits its whole hour, not the minimum.
    scheduler.snooze(QStringLiteral("hour"));
    EXPECT_EQ(prefs.notchMemory().snoozedUntil, clock.now().addSecs(3600));
    const QDateTime chosen = clock.now();
    clock.advanceSeconds(3599);
    EXPECT_EQ(shown.size(), 2);
    clock.advanceSeconds(1);
    EXPECT_EQ(shown.last(), chosen.addSecs(3600));
}

TEST_F(NotchSchedulerTest, WaitsOutAFullScreenApplicationMinuteByMinute) {
    desktop.fullScreen = true;
    scheduler.request(NotchTrigger::check);
    clock.advanceSeconds(119);
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(desktop.fullScreenTests, 2); // at 0 s and at 60 s
    desktop.fullScreen = false;
    clock.advanceSeconds(1);
    EXPECT_EQ(shown, QList<QDateTime>{after(120)});

    // A new decision ends the retries of the old one.
    prefs.setNotchMemory({});
    desktop.fullScreen = true;
    scheduler.request(NotchTrigger::check);
    clock.advanceSeconds(30);
    scheduler.request(NotchTrigger::wake);
    desktop.fullScreen = false;
    clock.advanceSeconds(30);
    EXPECT_EQ(shown.size(), 2);
    EXPECT_EQ(shown.last(), after(180));
    clock.advanceSeconds(600);
    EXPECT_EQ(shown.size(), 2);
}

TEST_F(NotchSchedulerTest, CountsUpdatesSeenInTheOpenApplicationAsShown) {
    // The main window comes up while a showing is due.
    scheduler.request(NotchTrigger::login);
    desktop.windows = {{QStringLiteral("Quenlark"), true, false, true}};
    clock.advanceSeconds(120);
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(prefs.notchMemory().lastShown, after(120));
    EXPECT_EQ(prefs.notchMemory().lastShownKeys, keys);

    // Later, with the window gone, the same keys are nothing new.
    desktop.windows.clear();
    clock.advanceSeconds(100000);
    scheduler.request(NotchTrigger::check);
    clock.advanceSeconds(3600);
    EXPECT_TRUE(shown.isEmpty());

    // Deciding while in use counts at once.
    keys.append(QStringLiteral("com.example.B@1"));
    touring = true;
    scheduler.request(NotchTrigger::check);
    EXPECT_EQ(prefs.notchMemory().lastShown, clock.now());
    EXPECT_EQ(prefs.notchMemory().lastShownKeys, keys);
}

TEST_F(NotchSchedulerTest, TakesTheDelayOfTheCommandLineWhenItIsANumber) {
    Launch::setArgsForTest({QStringLiteral("--notch-delay"), QStringLiteral("5")});
    scheduler.request(NotchTrigger::login);
    clock.advanceSeconds(5);
    EXPECT_EQ(shown, QList<QDateTime>{after(5)});

    prefs.setNotchMemory({});
    Launch::setArgsForTest({QStringLiteral("--notch-delay"), QStringLiteral("soon")});
    scheduler.request(NotchTrigger::login);
    clock.advanceSeconds(119);
    EXPECT_EQ(shown.size(), 1);
    clock.advanceSeconds(1);
    EXPECT_EQ(shown.last(), after(125));
}

TEST_F(NotchSchedulerTest, AsksToStopOnceAfterThreeWaveOffsOfTheSameUpdates) {
    const QStringList ab{"a@1", "b@2"}, ba{"b@2", "a@1", "a@1"};
    EXPECT_FALSE(scheduler.dismissed(ab));
    EXPECT_FALSE(scheduler.dismissed(ba));
    EXPECT_FALSE(scheduler.dismissed({"c@3"})); // another set starts again
    EXPECT_EQ(prefs.notchMemory().dismissals, 1);
    EXPECT_FALSE(scheduler.dismissed(ab));
    EXPECT_FALSE(scheduler.dismissed(ba));
    EXPECT_TRUE(scheduler.dismissed(ab));
    EXPECT_FALSE(scheduler.dismissed(ba));
    EXPECT_EQ(prefs.notchMemory().dismissals, 4);
    EXPECT_EQ(prefs.notchMemory().dismissedKeys, ba);
    EXPECT_TRUE(prefs.notchMemory().askedToStop);
}

TEST_F(NotchSchedulerTest, ShowsAtQuietMomentsThroughADayOfWakesAndChecks) {
    clock.setTimeZone(QTimeZone("Europe/Berlin"));
    const auto berlin = [](const char* iso) { return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate); };
    clock.setNow(berlin("2026-01-05T06:00:00+01:00"));
    prefs.setQuietHours(true);
    prefs.setQuietFrom(22);
    prefs.setQuietTo(8);

    scheduler.request(NotchTrigger::check); // quiet until eight
    advanceTo(berlin("2026-01-05T10:00:00+01:00"));
    scheduler.request(NotchTrigger::wake); // shown two hours ago
    advanceTo(berlin("2026-01-05T12:00:00+01:00"));
    keys.append(QStringLiteral("com.example.B@1"));
    scheduler.request(NotchTrigger::check); // new, but waits for 20 h after the last showing
    advanceTo(berlin("2026-01-05T17:00:00+01:00"));
    scheduler.request(NotchTrigger::wake); // nine hours later: drops, and replaces the wait
    advanceTo(berlin("2026-01-05T23:00:00+01:00"));
    scheduler.request(NotchTrigger::wake); // quiet until eight
    advanceTo(berlin("2026-01-06T12:00:00+01:00"));

    EXPECT_EQ(shown, (QList<QDateTime>{berlin("2026-01-05T08:00:00+01:00"), berlin("2026-01-05T17:00:30+01:00"),
                                       berlin("2026-01-06T08:00:30+01:00")}));
    EXPECT_EQ(clock.sleepers(), 0);
}

TEST(NotchInUse, CountsTheApplicationsOwnWindows) {
    using W = NotchDesktop::Window;
    const W main{QStringLiteral("Quenlark"), true, false, true};
    const W welcome{QStringLiteral("Welcome to Quenlark"), true, false, true};
    const W settings{QStringLiteral("Settings"), true, false, true};
    const W untitled{QString(), true, false, true};
    const W hidden{QStringLiteral("Quenlark"), false, false, true};
    const W minimised{QStringLiteral("Quenlark"), true, true, true};
    const W panel{QStringLiteral("Quenlark"), true, false, false};
    struct Case {
        bool touring;
        QList<W> windows;
        bool active;
        bool inUse;
    };
    const Case cases[] = {
        {true, {}, false, true},
        {false, {main}, false, true},
        {false, {welcome}, false, true},
        {false, {settings}, false, false},
        {false, {settings}, true, true},
        {false, {untitled}, true, false},
        {false, {hidden, minimised, panel}, true, false},
        {false, {}, true, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NotchScheduler::inUse(c.touring, c.windows, c.active), c.inUse)
            << c.windows.size() << " windows, active " << c.active;
}

// The seam the store calls, over a real store's visible rows and tour.
TEST_F(NotchSchedulerTest, ReadsTheStoresVisibleUpdates) {
    const auto row = [](const char* id, Status status, std::optional<Release> release, bool appStore = false) {
        InstalledApp app;
        app.url = QStringLiteral("/Applications/") + QString::fromLatin1(id) + QStringLiteral(".app");
        app.bundleID = QString::fromLatin1(id);
        app.isAppStore = appStore;
        auto item = makeShared<AppItem>(app);
        item->setStatus(status);
        item->setRelease(std::move(release));
        return item;
    };
    Release versioned, built, bare;
    versioned.version = QStringLiteral("2.1");
    versioned.build = QStringLiteral("210");
    built.build = QStringLiteral("77");

    FakeShell shell;
    Store* store = nullptr;
    Store::Collaborators c;
    c.appManagement = [] { return Permissions::State::unknown; };
    c.account = std::make_shared<NullAccountHooks>();
    c.shell = &shell;
    c.clock = &clock;
    c.prefs = &prefs;
    auto hooks = std::make_shared<LiveNotchHooks>(prefs, desktop, [&]() -> Store& { return *store; });
    c.notch = hooks;
    Store real(std::move(c));
    store = &real;
    prefs.setHideAppStore(true);
    real.setItems({row("z.one", Status::update(), versioned), row("a.two", Status::upToDate(), versioned),
                   row("m.three", Status::update(), built), row("b.four", Status::update(), std::nullopt),
                   row("s.store", Status::update(), versioned, true), row("c.five", Status::update(), bare)});
    const QStringList expected{"z.one@2.1", "m.three@77", "c.five@?"};
    EXPECT_EQ(LiveNotchHooks::pendingKeys(real.visible()), expected);

    // Seen in the open window: the store's keys count as shown.
    desktop.windows = {{QStringLiteral("Quenlark"), true, false, true}};
    real.notch().request(NotchTrigger::check);
    EXPECT_EQ(prefs.notchMemory().lastShownKeys, expected);

    desktop.windows.clear();
    EXPECT_FALSE(real.notch().appInUse());
    real.setTourStep(2);
    EXPECT_TRUE(real.notch().appInUse());
    real.setTourStep(std::nullopt);

    // The island over the same rows: every visible update, the showing in the memory, its
    // buttons reaching the scheduler, and the fold through the seam.
    desktop.screen = UpdateIsland::Screen{{0, 0, 1920, 1080}, {0, 28, 1920, 1052}, {}};
    prefs.setNotchMemory({});
    real.notch().show(true, false);
    ASSERT_TRUE(desktop.model);
    EXPECT_TRUE(real.notch().autoShown());
    EXPECT_EQ(desktop.frame, QRectF(650, 36, 620, 560));
    QStringList names;
    for (const auto& item : desktop.model->shown())
        names.append(item->app().bundleID);
    EXPECT_EQ(names, (QStringList{"z.one", "m.three", "b.four", "c.five"}));
    EXPECT_EQ(prefs.notchMemory().lastShownKeys, expected);
    EXPECT_EQ(prefs.notchMemory().lastShown, clock.now());

    desktop.model->later();
    EXPECT_EQ(prefs.notchMemory().dismissedKeys, expected);
    EXPECT_EQ(prefs.notchMemory().dismissals, 1);
    EXPECT_FALSE(real.notch().detach().has_value()); // "Later" folded it
    clock.advanceSeconds(0.7);
    QCoreApplication::processEvents();
    EXPECT_EQ(desktop.orderedOut, 1);

    real.notch().show(false, false);
    auto island = real.notch().detach();
    ASSERT_TRUE(island.has_value());
    EXPECT_EQ(island->state, desktop.model->state());
    real.notch().fold(std::move(*island));
    clock.advanceSeconds(0.7);
    QCoreApplication::processEvents();
    EXPECT_EQ(desktop.orderedOut, 2);
}
