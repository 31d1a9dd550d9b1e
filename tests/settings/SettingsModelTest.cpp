#include "SampleSession.h"
#include "StoreHarness.h"

#include "MemoryLoginChoice.h"
#include "runtime/AuthError.h"
#include "settings/AccountDeletion.h"
#include "settings/SettingsModel.h"
#include "settings/SettingsRows.h"
#include "store/OnboardingHooks.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>

using namespace std::chrono_literals;
using namespace Qt::Literals::StringLiterals;

namespace {

class FakeOnboardingHooks final : public OnboardingHooks {
public:
    bool takeOverFromOtherCopies() override { return true; }
    std::optional<SetupStep> needs() override { return std::nullopt; }
    void showSetupWindow(SetupStep) override {}
    void startTour() override { ++tours; }
    void showOnboarding() override { ++welcomes; }
    int tours = 0;
    int welcomes = 0;
};

// A deletion that takes `delay` of virtual time, then fails with `failure` when one is set.
class SlowDeletion final : public AccountDeletion {
public:
    explicit SlowDeletion(FakeClock& clock) : clock_(clock) {}
    QCoro::Task<void> deleteAccount() override {
        ++runs;
        FakeClock* clock = &clock_;
        co_await clock->sleep(delay);
        if (!failure.isEmpty())
            throw AuthError(failure);
    }
    Clock::Duration delay{5000};
    QString failure;
    int runs = 0;

private:
    FakeClock& clock_;
};

struct Settings {
    StoreHarness h;
    MemoryLoginChoice login;
    SlowDeletion deletion{h.clock};
    std::shared_ptr<FakeOnboardingHooks> tour = std::make_shared<FakeOnboardingHooks>();
    Store* store = nullptr;
    std::unique_ptr<SettingsModel> model;

    Settings() {
        h.onboarding = tour;
        store = &h.build();
        model = std::make_unique<SettingsModel>(SettingsModel::Services{*store, *h.prefs, login, deletion, h.clock});
    }
};

} // namespace

// Every control acts only on a change: choosing what is already chosen restarts no schedule and
// touches no login item.
TEST(SettingsModel, ReactsOnlyToAChange) {
    Settings s;
    SettingsModel& m = *s.model;
    m.shown(true);
    EXPECT_EQ(s.login.calls, 0);
    EXPECT_FALSE(s.store->scheduled());

    m.setIntervalHours(24); // the stored default
    m.setOpenAtLogin(false);
    m.setTab(u"general"_s);
    EXPECT_FALSE(s.store->scheduled());
    EXPECT_EQ(s.login.calls, 0);

    m.setOpenAtLogin(true);
    m.setOpenAtLogin(true);
    EXPECT_EQ(s.login.calls, 1);
    EXPECT_TRUE(s.login.enabled());

    m.setIntervalHours(0);
    EXPECT_FALSE(s.store->scheduled());
    m.setIntervalHours(1);
    EXPECT_TRUE(s.store->scheduled());
    const int before = s.h.checks;
    s.h.apps = {StoreHarness::app(u"Alpha"_s)};
    s.h.clock.advance(59min);
    EXPECT_EQ(s.h.checks, before);
    s.h.clock.advance(2min);
    EXPECT_EQ(s.h.checks, before + 1);
    m.setIntervalHours(0);
    EXPECT_FALSE(s.store->scheduled());
    m.shown(false);

    // Changed elsewhere (the welcome window) while hidden: the next showing reads it, writes
    // nothing.
    s.login.setLogin(false);
    const int calls = s.login.calls;
    EXPECT_TRUE(m.openAtLogin());
    m.shown(true);
    EXPECT_FALSE(m.openAtLogin());
    EXPECT_EQ(s.login.calls, calls);
}

TEST(SettingsModel, QuietHoursOffKeepsItsHoursAndTheWindowGrowsOnAccount) {
    Settings s;
    SettingsModel& m = *s.model;
    m.setQuietFrom(23);
    m.setQuietTo(23);
    m.setQuietHours(false);
    EXPECT_FALSE(s.h.prefs->quietHours());
    EXPECT_EQ(s.h.prefs->quietFrom(), 23);
    EXPECT_EQ(s.h.prefs->quietTo(), 23);

    EXPECT_EQ(m.size(), QSize(560, 420));
    m.setTab(u"account"_s);
    EXPECT_EQ(s.store->settingsTab(), u"account"_s);
    EXPECT_EQ(m.size(), QSize(560, 600));
    m.setTab(u"apps"_s);
    EXPECT_EQ(m.size(), QSize(560, 420));
}

TEST(SettingsModel, TakeTheTourBringsTheMainWindowForwardThenStartsTheTour) {
    Settings s;
    auto done = s.h.start(s.model->takeTour());
    EXPECT_EQ(s.h.shell.mainWindowOpened, 1);
    s.h.clock.advance(399ms);
    EXPECT_EQ(s.tour->tours, 0);
    s.h.clock.advance(1ms);
    EXPECT_TRUE(*done);
    EXPECT_EQ(s.tour->tours, 1);
}

TEST(SettingsModel, AFailedDeletionShowsItsSentenceUntilTheNextAttemptClearsIt) {
    Settings s;
    SettingsModel& m = *s.model;
    s.deletion.failure = u"The library is busy syncing. Try again in a moment."_s;
    auto first = s.h.start(m.deleteAccount());
    EXPECT_TRUE(m.deleting());
    auto refused = s.h.start(m.deleteAccount()); // a second one from this window does not start
    EXPECT_TRUE(*refused);
    ASSERT_TRUE(s.h.settle(first));
    EXPECT_EQ(s.deletion.runs, 1);
    EXPECT_FALSE(m.deleting());
    EXPECT_EQ(m.deleteError(), s.deletion.failure);

    s.deletion.failure.clear();
    auto second = s.h.start(m.deleteAccount());
    EXPECT_EQ(m.deleteError(), std::nullopt);
    ASSERT_TRUE(s.h.settle(second));
    EXPECT_FALSE(m.deleting());
    EXPECT_EQ(m.deleteError(), std::nullopt);
}

// The window may be gone before the deletion ends: nothing is written into it then.
TEST(SettingsModel, ADeletionOutlivesItsWindow) {
    Settings s;
    s.deletion.failure = u"You're not signed in."_s;
    auto done = s.h.start(s.model->deleteAccount());
    s.model.reset();
    ASSERT_TRUE(s.h.settle(done));
    EXPECT_EQ(s.deletion.runs, 1);
}

TEST(SettingsModel, SignInShowsTheLibraryAndSignOutForgetsTheSession) {
    Settings s;
    s.model->signIn();
    EXPECT_EQ(s.store->filter(), Filter::library);
    EXPECT_EQ(s.h.shell.mainWindowOpened, 1);
    s.store->setSession(sampleSession());
    s.model->signOut();
    EXPECT_EQ(s.store->session(), std::nullopt);
}

// "Open…" starts the desktop's own notification settings where one is installed, and says so
// where nothing could be opened instead of doing nothing.
TEST(SettingsModel, OpenSaysWhenTheDesktopHasNoSettingsPage) {
    Settings s;
    QTemporaryDir bin;
    const QString ran = bin.filePath(u"ran"_s);
    QFile program(bin.filePath(u"gnome-control-center"_s));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.write(QStringLiteral("#!/bin/sh\necho \"$@\" > '%1.part' && mv '%1.part' '%1'\n").arg(ran).toUtf8());
    program.close();
    program.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QByteArray path = qgetenv("PATH"), desktop = qgetenv("XDG_CURRENT_DESKTOP");
    qputenv("PATH", bin.path().toUtf8() + ':' + path);

    qputenv("XDG_CURRENT_DESKTOP", "");
    s.model->openNotifications();
    EXPECT_EQ(s.model->openError(), SettingsRows::cannotOpenSettings());
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    s.model->openNotifications();
    EXPECT_EQ(s.model->openError(), std::nullopt);
    s.model->openAppManagement(); // no desktop has this page
    EXPECT_EQ(s.model->openError(), SettingsRows::cannotOpenSettings());

    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(ran) && waited.elapsed() < 5000)
        QThread::msleep(10);
    QFile said(ran);
    ASSERT_TRUE(said.open(QIODevice::ReadOnly));
    EXPECT_EQ(said.readAll().trimmed(), "notifications");
    qputenv("PATH", path);
    qputenv("XDG_CURRENT_DESKTOP", desktop);
}
