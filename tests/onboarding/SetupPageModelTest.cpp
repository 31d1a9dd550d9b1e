#include "onboarding/SetupPageModel.h"

#include "FakeClock.h"
#include "FakeSetup.h"
#include "QtPrinters.h"
#include "StoreHarness.h"
#include "onboarding/Onboarding.h"
#include "onboarding/OnboardingModel.h"
#include "platform/system/Defaults.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

using Control = SetupPageModel::Control;

struct Page {
    Page(const QString& bundle, bool sandbox) {
        setup = std::make_unique<::Setup>(fake.make(bundle));
        Store& store = harness.build();
        Onboarding::Environment o;
        o.prefs = harness.prefs.get();
        o.setup = setup.get();
        o.clock = &clock;
        o.sandbox = sandbox;
        o.openWindow = [](OnboardingModel&) {};
        o.windowOpen = [] { return false; };
        o.bringForward = o.closeWindow = o.openMainWindow = o.startTour = [] {};
        onboarding = std::make_unique<Onboarding>(std::move(o));
        onboarding->show();
        SetupPageModel::Environment e;
        e.setup = setup.get();
        e.prefs = harness.prefs.get();
        e.store = &store;
        e.welcome = onboarding->model();
        e.onboarding = onboarding.get();
        e.sandbox = sandbox;
        model = std::make_unique<SetupPageModel>(std::move(e));
    }

    QList<Control> controls() const {
        QList<Control> list;
        for (const auto& row : model->rows())
            list << row.control;
        return list;
    }

    FakeClock clock;
    FakeSetup fake{QStringLiteral("setup-page")};
    FakeLoginItem& login = fake.login;
    std::unique_ptr<::Setup> setup;
    StoreHarness harness;
    std::unique_ptr<Onboarding> onboarding;
    std::unique_ptr<SetupPageModel> model;
};

} // namespace

TEST(SetupPageModel, TheRowsFollowThePlaceThePermissionAndTheAccount) {
    struct Row {
        const char* name;
        const char* bundle;
        bool sandbox;
        Permissions::State permission;
        bool signedIn;
        QList<Control> controls;
    };
    const Row rows[] = {
        {"outside Applications",
         "/home/ann/Downloads/Quenlark.app",
         false,
         Permissions::State::unknown,
         false,
         {Control::appearance, Control::moveButton, Control::loginSwitch, Control::settingsButton,
          Control::signInButton}},
        {"under --sandbox",
         "/home/ann/Downloads/Quenlark.app",
         true,
         Permissions::State::denied,
         false,
         {Control::appearance, Control::loginSwitch, Control::settingsButton, Control::signInButton}},
        {"in Applications, granted, signed in",
         "/Applications/Quenlark.app",
         false,
         Permissions::State::granted,
         true,
         {Control::appearance, Control::loginSwitch, Control::on, Control::done}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Page page(QString::fromUtf8(row.bundle), row.sandbox);
        page.harness.store().setAppManagement(row.permission);
        if (row.signedIn) {
            Session session;
            session.email = QStringLiteral("ann@example.com");
            page.harness.store().setSession(session);
        }
        EXPECT_EQ(page.controls(), row.controls);
        const auto backup = page.model->rows().last();
        EXPECT_EQ(backup.subtitle, row.signedIn ? QStringLiteral("Signed in as ann@example.com.")
                                                : QStringLiteral("Sign in to set up a new Mac from your library."));
    }
}

TEST(SetupPageModel, TheSwitchMovesTheLoginItemAtOnceButNeverUnderTheSandbox) {
    for (const bool sandbox : {false, true}) {
        SCOPED_TRACE(sandbox ? "sandbox" : "ordinary");
        Page page(QStringLiteral("/Applications/Quenlark.app"), sandbox);
        page.model->setLogin(true);
        page.model->setLogin(true);
        page.model->setLogin(false);
        EXPECT_EQ(page.login.calls, sandbox ? 0 : 2);
        EXPECT_FALSE(page.onboarding->model()->login());
        // Finishing finds the choice equal to the item: nothing more changes.
        page.onboarding->finish(false);
        EXPECT_EQ(page.login.calls, sandbox ? 0 : 2);
    }
}

TEST(SetupPageModel, SignInEndsTheWelcomeOnTheLibrary) {
    Page page(QStringLiteral("/Applications/Quenlark.app"), false);
    page.model->signIn();
    EXPECT_TRUE(page.harness.prefs->onboarded());
    EXPECT_EQ(page.harness.store().filter(), Filter::library);
}
