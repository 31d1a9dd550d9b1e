// The shell's logic over a store built with fakes: the status item and its tray, the menu
// commands, and the launch sequence in virtual time.
#include "FakeClock.h"
#include "FakeShell.h"

#include "NullAccountHooks.h"
#include "app/AppDelegate.h"
#include "app/AppShell.h"
#include "app/Commands.h"
#include "app/StatusItem.h"
#include "library/LiveLibraryHooks.h"
#include "model/Prefs.h"
#include "platform/desktop/DesktopSettings.h"
#include "platform/gui/Palette.h"
#include "runtime/MakeShared.h"
#include "sources/BrewIndex.h"
#include "store/NotchHooks.h"
#include "store/OnboardingHooks.h"
#include "store/Store.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>

namespace {

class FakeTray final : public Tray {
public:
    explicit FakeTray(int* alive) : alive_(alive) { ++*alive_; }
    ~FakeTray() override { --*alive_; }
    void setIcon(const QIcon&) override { ++icons; }
    void setToolTip(const QString& text) override { toolTip = text; }
    void setAccessibleName(const QString& text) override { name = text; }
    void setMenu(MenuBuilder build) override { builder = std::move(build); }
    void click() { Q_EMIT clicked(); }

    int icons = 0;
    QString toolTip, name;
    MenuBuilder builder;

private:
    int* alive_;
};

class FakeNotchHooks final : public NotchHooks {
public:
    void request(NotchTrigger) override {}
    void start() override { calls << QStringLiteral("notch.start"); }
    bool appInUse() const override { return inUse; }
    void show(bool automatic, bool preview) override {
        calls << QStringLiteral("show(%1,%2)").arg(automatic).arg(preview);
    }
    bool autoShown() const override { return up && automaticallyShown; }
    std::optional<Detached> detach() override {
        if (!up)
            return std::nullopt;
        up = false;
        calls << QStringLiteral("detach");
        return Detached{};
    }
    void fold(Detached) override { calls << QStringLiteral("fold"); }
    void dropWindow() override { calls << QStringLiteral("dropWindow"); }

    bool up = false, automaticallyShown = false, inUse = false;
    QStringList calls;
};

class FakeOnboardingHooks final : public OnboardingHooks {
public:
    bool takeOverFromOtherCopies() override {
        calls << QStringLiteral("takeOver");
        return goesOn;
    }
    std::optional<SetupStep> needs() override { return std::nullopt; }
    void showSetupWindow(SetupStep) override { calls << QStringLiteral("setup"); }
    void showOnboarding() override { calls << QStringLiteral("welcome"); }
    void startTour() override { calls << QStringLiteral("tour"); }
    QStringList calls;
    bool goesOn = true;
};

InstalledApp app(const QString& name, bool appStore = false) {
    InstalledApp a;
    a.url = QStringLiteral("/sandbox/") + name + QStringLiteral(".app");
    a.folder = QStringLiteral("/sandbox");
    a.name = name;
    a.bundleID = QStringLiteral("com.example.") + name.toLower();
    a.isAppStore = appStore;
    return a;
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        Defaults::resetForTest();
        defaults = std::make_shared<Defaults>(QDir::tempPath() + QStringLiteral("/shell-test.plist"));
        defaults->remove(StatusItem::positionKey);
        prefs = std::make_unique<Prefs>(defaults, true);
        Store::Collaborators c;
        c.scan = [this](QStringList) -> QCoro::Task<QList<InstalledApp>> {
            ++scans;
            co_return QList<InstalledApp>{};
        };
        c.checker = [](Endpoints endpoints, std::shared_ptr<BrewIndex> brew) {
            return Checker(std::move(endpoints), std::move(brew));
        };
        c.appManagement = [] { return Permissions::State::unknown; };
        c.notifications = []() -> QCoro::Task<Permissions::AuthorizationStatus> {
            co_return Permissions::AuthorizationStatus::notDetermined;
        };
        c.deviceID = [] { return QStringLiteral("device"); };
        c.notch = notch;
        c.onboarding = onboarding;
        c.account = std::make_shared<NullAccountHooks>();
        c.library = std::make_shared<LiveLibraryHooks>();
        c.shell = &shell;
        c.clock = &clock;
        c.prefs = prefs.get();
        c.options.sandbox = QDir::tempPath() + QStringLiteral("/sandbox");
        c.options.home = QDir::homePath();
        store = std::make_unique<Store>(std::move(c));

        StatusItem::Environment e;
        e.store = store.get();
        e.prefs = prefs.get();
        e.notch = notch.get();
        e.makeTray = [this] {
            auto made = std::make_unique<FakeTray>(&trays);
            tray = made.get();
            return std::unique_ptr<Tray>(std::move(made));
        };
        e.quit = [this] { ++quits; };
        e.installHooks = [this] { store->openSettingsWindow = [this] { ++settingsOpened; }; };
        item = std::make_unique<StatusItem>(std::move(e));
    }

    AppDelegate::Environment launching() {
        AppDelegate::Environment e;
        e.store = store.get();
        e.prefs = prefs.get();
        e.notch = notch.get();
        e.onboarding = onboarding.get();
        e.statusItem = item.get();
        e.clock = &clock;
        return e;
    }

    void rows(const QList<std::pair<InstalledApp, Status>>& list) {
        Store::Rows made;
        for (const auto& [a, status] : list) {
            auto row = makeShared<AppItem>(a);
            row->setStatus(status);
            made.append(row);
        }
        store->setItems(made);
    }

    FakeClock clock;
    FakeShell shell;
    std::shared_ptr<Defaults> defaults;
    std::unique_ptr<Prefs> prefs;
    std::shared_ptr<FakeNotchHooks> notch = std::make_shared<FakeNotchHooks>();
    std::shared_ptr<FakeOnboardingHooks> onboarding = std::make_shared<FakeOnboardingHooks>();
    std::unique_ptr<Store> store;
    std::unique_ptr<StatusItem> item;
    FakeTray* tray = nullptr;
    int trays = 0, quits = 0, settingsOpened = 0, scans = 0;
};

} // namespace

TEST_F(ShellTest, StatusItemRedrawsOnlyWhenTheCountChanges) {
    item->start();
    ASSERT_EQ(trays, 1);
    EXPECT_EQ(tray->icons, 1) << "the first showing draws, even for no updates";
    EXPECT_EQ(tray->toolTip, QStringLiteral("Quenlark"));
    EXPECT_EQ(tray->name, QStringLiteral("Quenlark, 0 updates"));
    EXPECT_EQ(defaults->object(StatusItem::positionKey), QVariant(0));

    rows({{app(QStringLiteral("A")), Status::update()},
          {app(QStringLiteral("B")), Status::update()},
          {app(QStringLiteral("C")), Status::update()},
          {app(QStringLiteral("D")), Status::upToDate()}});
    settle();
    EXPECT_EQ(tray->icons, 2);
    EXPECT_EQ(tray->toolTip, QStringLiteral("Quenlark: 3 updates"));

    // Another set of three: the same count, nothing redrawn.
    store->items().at(0)->setStatus(Status::upToDate());
    store->items().at(3)->setStatus(Status::update());
    settle();
    EXPECT_EQ(tray->icons, 2);

    store->items().at(1)->setStatus(Status::upToDate());
    store->items().at(2)->setStatus(Status::upToDate());
    settle();
    EXPECT_EQ(tray->toolTip, QStringLiteral("Quenlark: 1 update"));
    EXPECT_EQ(tray->name, QStringLiteral("Quenlark, 1 update"));

    // An App Store update hidden by the setting is not counted.
    rows({{app(QStringLiteral("Store"), true), Status::update()}});
    settle();
    EXPECT_EQ(item->updateCount(), 1);
    prefs->setHideAppStore(true);
    settle();
    EXPECT_EQ(item->updateCount(), 0);
    EXPECT_EQ(tray->toolTip, QStringLiteral("Quenlark"));

    // Off removes the item; on again makes a new one and draws it afresh.
    prefs->setShowMenuBar(false);
    settle();
    EXPECT_EQ(trays, 0);
    EXPECT_EQ(item->shownCount(), -1);
    prefs->setShowMenuBar(true);
    settle();
    ASSERT_EQ(trays, 1);
    EXPECT_EQ(tray->icons, 1);
}

TEST_F(ShellTest, StatusItemClicksAndMenu) {
    item->start();
    tray->click();
    tray->click();
    rows({{app(QStringLiteral("A")), Status::update()}});
    tray->click();
    notch->up = true;
    tray->click();
    EXPECT_EQ(notch->calls,
              (QStringList{QStringLiteral("dropWindow"), QStringLiteral("dropWindow"), QStringLiteral("show(0,0)"),
                           QStringLiteral("detach"), QStringLiteral("fold")}));

    const QList<Tray::Entry> menu = tray->builder();
    QStringList titles;
    for (const auto& entry : menu)
        titles << (entry.isSeparator() ? QStringLiteral("-") : entry.title);
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Open Quenlark"), QStringLiteral("Check Now"),
                                   QStringLiteral("Settings…"), QStringLiteral("-"), QStringLiteral("Quit Quenlark")}));
    EXPECT_EQ(menu.at(4).shortcut, QKeySequence(Qt::CTRL | Qt::Key_Q));
    notch->calls.clear();
    menu.at(0).action();
    menu.at(1).action();
    menu.at(2).action();
    menu.at(4).action();
    settle();
    EXPECT_EQ(notch->calls, QStringList{QStringLiteral("dropWindow")});
    EXPECT_EQ(scans, 1) << "Check Now refreshes";
    EXPECT_EQ(settingsOpened, 1) << "the item installed the window hooks";
    EXPECT_EQ(quits, 1);
}

TEST_F(ShellTest, MenusAreExactlyTheCommands) {
    QStringList ran;
    Commands::Actions actions;
    actions.settings = [&] { ran << QStringLiteral("settings"); };
    actions.quit = [&] { ran << QStringLiteral("quit"); };
    actions.checkAgain = [&] { ran << QStringLiteral("check"); };
    actions.updateAll = [&] { ran << QStringLiteral("updateAll"); };
    actions.tour = [&] { ran << QStringLiteral("tour"); };
    actions.welcome = [&] { ran << QStringLiteral("welcome"); };
    actions.feedback = [&] { ran << QStringLiteral("feedback"); };
    QStringList shown;
    for (const auto& menu : Commands::menus(actions)) {
        shown << menu.title + QLatin1Char(':');
        for (const auto& entry : menu.items) {
            shown << (entry.title.isEmpty()
                          ? QStringLiteral("-")
                          : entry.title + QLatin1Char(' ') + entry.shortcut.toString(QKeySequence::PortableText));
            if (entry.action)
                entry.action();
        }
    }
    EXPECT_EQ(shown, (QStringList{QStringLiteral("File:"), QStringLiteral("Settings… Ctrl+,"), QStringLiteral("-"),
                                  QStringLiteral("Quit Quenlark Ctrl+Q"), QStringLiteral("Apps:"),
                                  QStringLiteral("Check Again Ctrl+R"), QStringLiteral("Update All Ctrl+Shift+U"),
                                  QStringLiteral("Help:"), QStringLiteral("Take the Tour "),
                                  QStringLiteral("Show Welcome Again "), QStringLiteral("Review / Report… ")}));
    EXPECT_EQ(ran, (QStringList{QStringLiteral("settings"), QStringLiteral("quit"), QStringLiteral("check"),
                                QStringLiteral("updateAll"), QStringLiteral("tour"), QStringLiteral("welcome"),
                                QStringLiteral("feedback")}));
}

TEST_F(ShellTest, LaunchSequenceNormalAndQuiet) {
    // The autostart entry carries "--background"; a session start-up id passed on by a launcher
    // or a terminal says nothing about this launch.
    struct Row {
        QStringList args;
        bool inheritedStartupId;
        bool quiet;
    };
    const Row rows[] = {
        {{}, false, false},
        {{QStringLiteral("--background")}, false, true},
        {{QStringLiteral("--backgrounds")}, false, false},
        {{QStringLiteral("-background")}, false, false},
        {{}, true, false},
        {{QStringLiteral("--background")}, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(
            (row.args.join(u' ') + (row.inheritedStartupId ? QStringLiteral(" with a start-up id") : QString()))
                .toStdString());
        if (row.inheritedStartupId)
            qputenv("DESKTOP_AUTOSTART_ID", "launcher-1234");
        notch->calls.clear();
        onboarding->calls.clear();
        shell.mainWindowOpened = 0;
        scans = 0;
        bool accessory = false;
        AppDelegate::Environment e = launching();
        e.sandbox = std::nullopt;
        e.becomeAccessory = [&] { accessory = true; };
        e.sinceStart = [] { return std::chrono::milliseconds(100); };
        AppDelegate delegate(e, row.args);
        delegate.willFinishLaunching();
        qunsetenv("DESKTOP_AUTOSTART_ID");
        EXPECT_EQ(delegate.quietStart(), row.quiet);
        EXPECT_EQ(accessory, row.quiet);
        delegate.didFinishLaunching();
        settle();
        EXPECT_EQ(onboarding->calls, QStringList{QStringLiteral("takeOver")});
        EXPECT_EQ(notch->calls, QStringList{QStringLiteral("notch.start")});
        EXPECT_TRUE(store->scheduled());
        EXPECT_EQ(scans, 1);
        clock.advanceSeconds(0.199);
        EXPECT_EQ(shell.mainWindowOpened, 0);
        clock.advanceSeconds(0.001);
        EXPECT_EQ(shell.mainWindowOpened, row.quiet ? 0 : 1)
            << "0.3 s after the process started, with no main window on the screen";
        clock.advanceSeconds(0.2);
        EXPECT_EQ(onboarding->calls.contains(QStringLiteral("welcome")), !row.quiet) << "0.4 s later, not onboarded";
        settle();
    }
}

TEST_F(ShellTest, ACopyThatEndsAtTheTakeoverOpensAndStartsNothing) {
    onboarding->goesOn = false;
    for (const QStringList& args : {QStringList{}, QStringList{QStringLiteral("--background")}}) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        onboarding->calls.clear();
        notch->calls.clear();
        shell.mainWindowOpened = 0;
        scans = 0;
        AppDelegate::Environment e = launching();
        e.becomeAccessory = [] {};
        AppDelegate delegate(e, args);
        delegate.willFinishLaunching();
        delegate.didFinishLaunching();
        settle();
        clock.advanceSeconds(1);
        settle();
        EXPECT_EQ(onboarding->calls, QStringList{QStringLiteral("takeOver")}) << "no welcome, no setup window";
        EXPECT_EQ(notch->calls, QStringList());
        EXPECT_FALSE(store->scheduled());
        EXPECT_EQ(scans, 0);
        EXPECT_EQ(shell.mainWindowOpened, 0);
        EXPECT_EQ(trays, 0);
    }
}

TEST_F(ShellTest, BecomingActiveFoldsOnlyAnIslandTheSchedulerShowedWhileInUse) {
    AppDelegate::Environment e = launching();
    AppDelegate delegate(e, {});
    struct Row {
        bool up, automatic, inUse, folds;
    };
    for (const Row& row : {Row{true, true, true, true}, Row{true, false, true, false}, Row{true, true, false, false},
                           Row{false, false, true, false}}) {
        notch->calls.clear();
        notch->up = row.up;
        notch->automaticallyShown = row.automatic;
        notch->inUse = row.inUse;
        delegate.becameActive();
        EXPECT_EQ(notch->calls.contains(QStringLiteral("fold")), row.folds);
    }
}

// "System" takes the desktop's answer when it comes after the start, and every later change; a
// chosen appearance stays whatever the desktop says.
TEST(AppShellAppearance, TheSystemAppearanceFollowsTheDesktopsAnswers) {
    DesktopSettings desktop;
    DesktopSettings::install(&desktop);
    const auto scheme = [&](uint value) { desktop.apply("org.freedesktop.appearance", "color-scheme", value); };
    {
        AppShell shell({});
        shell.applyAppearance(false, true);
        EXPECT_FALSE(shell.dark());
        scheme(1);
        EXPECT_TRUE(shell.dark());
        EXPECT_TRUE(Palette::current().isDark());
        scheme(2);
        EXPECT_FALSE(Palette::current().isDark());
        shell.applyAppearance(true, false);
        scheme(1);
        scheme(0);
        EXPECT_TRUE(shell.dark());
    }
    DesktopSettings::install(nullptr);
}
