#include "DashboardRows.h"

#include "views/cards/AppManagementHelp.h"
#include "views/dashboard/DashboardModel.h"
#include "views/dashboard/PermissionModel.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using AM = Permissions::State;
using NS = Permissions::AuthorizationStatus;
using PermissionModel::Pill;

TEST(PermissionModel, PillsShowTheirStateTintTooltipAndLabel) {
    struct Case {
        Pill pill;
        QString symbol, word;
        Palette::Tint hue;
        double opacity;
        QString tooltip, label;
    };
    StoreHarness h;
    Store& s = h.build();
    auto am = [&](AM state) {
        s.setAppManagement(state);
        return PermissionModel::appManagement(s);
    };
    auto ns = [&](NS status, NotchMode mode) {
        s.setNotifications(status);
        return PermissionModel::notifications(s, mode);
    };
    const QString amHelp = u"Lets Quenlark update and remove apps made by other developers."_s;
    const QString notch = u"Not needed while updates show from the notch."_s;
    const QString background = u"Lets background checks tell you about updates."_s;
    const QString suffix = u" Click to turn it on."_s;
    const QList<Case> cases{
        {am(AM::unknown), u"questionmark.circle"_s, u"Unknown"_s, Palette::Tint::secondary, 0.1, amHelp + suffix,
         u"App Management permission, unknown"_s},
        {am(AM::granted), u"checkmark.circle.fill"_s, u"On"_s, Palette::Tint::green, 0.12, amHelp,
         u"App Management permission, on"_s},
        {am(AM::denied), u"exclamationmark.circle.fill"_s, u"Off"_s, Palette::Tint::orange, 0.1, amHelp + suffix,
         u"App Management permission, off"_s},
        {ns(NS::denied, NotchMode::smart), u"exclamationmark.circle.fill"_s, u"Off"_s, Palette::Tint::secondary, 0.1,
         notch + suffix, u"Notifications permission, off"_s},
        {ns(NS::denied, NotchMode::never), u"exclamationmark.circle.fill"_s, u"Off"_s, Palette::Tint::orange, 0.1,
         background + suffix, u"Notifications permission, off"_s},
        {ns(NS::provisional, NotchMode::never), u"checkmark.circle.fill"_s, u"On"_s, Palette::Tint::green, 0.12,
         background, u"Notifications permission, on"_s},
        {ns(NS::authorized, NotchMode::daily), u"checkmark.circle.fill"_s, u"On"_s, Palette::Tint::green, 0.12, notch,
         u"Notifications permission, on"_s},
        {ns(NS::notDetermined, NotchMode::never), u"exclamationmark.circle.fill"_s, u"Off"_s, Palette::Tint::orange,
         0.1, background + suffix, u"Notifications permission, off"_s},
    };
    for (const auto& c : cases) {
        const std::string what = c.label.toStdString();
        EXPECT_EQ(PermissionModel::symbol(c.pill), c.symbol) << what;
        EXPECT_EQ(PermissionModel::stateWord(c.pill), c.word) << what;
        EXPECT_EQ(PermissionModel::hue(c.pill), c.hue) << what;
        EXPECT_DOUBLE_EQ(PermissionModel::backgroundOpacity(c.pill), c.opacity) << what;
        EXPECT_EQ(PermissionModel::tooltip(c.pill), c.tooltip) << what;
        EXPECT_EQ(PermissionModel::accessibilityLabel(c.pill), c.label) << what;
    }
    // Only an undetermined status asks; any other opens the settings.
    const QList<std::pair<NS, PermissionModel::NotificationsAction>> actions{
        {NS::notDetermined, PermissionModel::NotificationsAction::requestAuthorisation},
        {NS::denied, PermissionModel::NotificationsAction::openSettings},
        {NS::authorized, PermissionModel::NotificationsAction::openSettings},
        {NS::ephemeral, PermissionModel::NotificationsAction::openSettings},
    };
    for (const auto& [status, action] : actions) {
        s.setNotifications(status);
        EXPECT_EQ(PermissionModel::notificationsAction(s), action);
    }
}

TEST(PermissionModel, TheBannerCountsBlockedRowsHiddenOnesIncluded) {
    struct Case {
        AM appManagement;
        QList<RowSpec> rows;
        bool shown;
        QString title;
        bool tryAgain;
    };
    const RowSpec blocked{u"B"_s, Status::update(), InstallPhase::blocked()};
    const RowSpec hiddenBlocked{u"H"_s, Status::update(), InstallPhase::blocked(), true};
    const RowSpec fine{u"F"_s};
    const QList<Case> cases{
        {AM::unknown, {fine}, false, u"Quenlark can't update or remove apps yet"_s, false},
        {AM::denied, {fine}, true, u"Quenlark can't update or remove apps yet"_s, false},
        {AM::granted, {blocked, fine}, true, u"1 update waiting for permission"_s, true},
        {AM::unknown, {hiddenBlocked}, true, u"1 update waiting for permission"_s, true},
        {AM::denied,
         {blocked, hiddenBlocked, {u"C"_s, Status::update(), InstallPhase::blocked()}},
         true,
         u"3 updates waiting for permission"_s,
         true},
    };
    for (const auto& c : cases) {
        StoreHarness h;
        h.prefs->setHideAppStore(true);
        Store& s = h.build();
        s.setAppManagement(c.appManagement);
        s.setItems(makeRows(c.rows));
        const int b = PermissionModel::blocked(s);
        EXPECT_EQ(DashboardModel::showsPermissionBanner(s), c.shown) << c.title.toStdString();
        EXPECT_EQ(PermissionModel::bannerTitle(b), c.title);
        EXPECT_EQ(PermissionModel::showsTryAgain(b), c.tryAgain) << c.title.toStdString();
    }
}

TEST(PermissionModel, TryAgainReadsThePermissionThenRetriesTheBlockedRows) {
    StoreHarness h;
    h.apps = {StoreHarness::app(u"A"_s)};
    h.offer(h.apps[0], StoreHarness::release(u"2.0"_s));
    Store& s = h.build();
    ASSERT_TRUE(h.settle(h.start(s.refresh())));
    s.items().first()->setPhase(InstallPhase::blocked());
    h.appManagementAnswer = AM::granted;
    const int probes = h.appManagementProbes;
    ASSERT_TRUE(h.settle(h.start(PermissionModel::tryAgain(s))));
    EXPECT_GT(h.appManagementProbes, probes);
    EXPECT_EQ(h.installed, QStringList{u"A"_s});
    EXPECT_EQ(PermissionModel::blocked(s), 0);
}

TEST(PermissionModel, TheNotificationsPillAsksOnlyWhileUndetermined) {
    StoreHarness h;
    h.notificationAnswer = Permissions::AuthorizationStatus::denied;
    Store& s = h.build();
    ASSERT_EQ(s.notifications(), Permissions::AuthorizationStatus::notDetermined);
    EXPECT_EQ(PermissionModel::notificationsAction(s), PermissionModel::NotificationsAction::requestAuthorisation);
    ASSERT_TRUE(h.settle(h.start(PermissionModel::askNotifications(s))));
    // Whatever the service answered, the permission is read again; a refusal opens the settings next.
    EXPECT_EQ(s.notifications(), Permissions::AuthorizationStatus::denied);
    EXPECT_EQ(PermissionModel::notificationsAction(s), PermissionModel::NotificationsAction::openSettings);
}

// Where the pill can't act it says why, or what to do instead; a sandbox never posts any.
TEST(PermissionModel, TheNotificationsPillExplainsWhatItCannotDo) {
    const QString sandboxed = u"Quenlark never posts notifications while it runs in a sandbox."_s;
    StoreHarness sandbox;
    sandbox.options.sandbox = sandbox.dir.path();
    Store& s = sandbox.build();
    s.setNotifications(NS::denied);
    EXPECT_EQ(PermissionModel::tooltip(PermissionModel::notifications(s, NotchMode::never)), sandboxed);
    PermissionModel::clickNotifications(s);
    EXPECT_EQ(s.notice(), sandboxed);

    StoreHarness h;
    Store& desktop = h.build();
    desktop.setNotifications(NS::denied);
    const QByteArray was = qgetenv("XDG_CURRENT_DESKTOP");
    qputenv("XDG_CURRENT_DESKTOP", "sway"); // no settings page to open
    PermissionModel::clickNotifications(desktop);
    qputenv("XDG_CURRENT_DESKTOP", was);
    EXPECT_EQ(desktop.notice(),
              u"Quenlark couldn't open this desktop's notification settings: turn notifications on in "
              u"the desktop's own settings, or start a notification service."_s);
}

TEST(AppManagementHelp, ShowsTheBlockedAppsFolderOrSaysThereIsNothingToTurnOn) {
    StoreHarness h;
    Store& s = h.build();
    s.setItems(makeRows({{u"Alpha"_s}, {u"Salt & Pepper"_s, Status::update(), InstallPhase::blocked()}}));
    const auto alpha = s.items()[0], blocked = s.items()[1];
    auto about = [](const QString& name) {
        return u"Quenlark isn't allowed to change "_s + name +
               u" in /Applications: the app or that folder belongs to someone else or is locked. Fix that in your "
               u"file manager, then choose Try Again."_s;
    };
    struct Case {
        const char* control;
        const AppItem* row;
        AppManagementHelp::Step step;
    };
    const Case withBlocked[] = {
        {"a row's Allow…", alpha.get(), {alpha->id(), about(u"Alpha"_s)}},
        {"the pill or the banner", nullptr, {blocked->id(), about(u"Salt & Pepper"_s)}},
    };
    for (const auto& c : withBlocked)
        EXPECT_EQ(AppManagementHelp::step(s, c.row), c.step) << c.control;

    blocked->setPhase(InstallPhase::idle());
    const auto none = AppManagementHelp::step(s, nullptr);
    EXPECT_FALSE(none.reveal);
    EXPECT_EQ(none.notice, u"This computer has no App Management setting: Quenlark may change every app your account "
                           u"may change."_s);
}
