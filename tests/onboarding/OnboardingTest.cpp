#include "onboarding/Onboarding.h"

#include "FakeClock.h"
#include "FakeSetup.h"
#include "model/Prefs.h"
#include "onboarding/Setup.h"
#include "platform/system/Defaults.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

TEST(OnboardingModel, GoesOnlyToAnotherPageInRangeAndRemembersTheDirection) {
    struct Row {
        int from, to;
        int page;
        bool forward;
    };
    const Row rows[] = {
        {0, 1, 1, true}, {3, 0, 0, false}, {0, -1, 0, true}, {4, 5, 4, true}, {2, 2, 2, true}, {0, 4, 4, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.from << " to " << row.to);
        OnboardingModel m(false);
        m.go(row.from);
        // Arrived going forward: what stays is the direction of the change that happened.
        m.go(row.to);
        EXPECT_EQ(m.page(), row.page);
        EXPECT_EQ(m.forward(), row.forward);
    }
}

TEST(Onboarding, FinishingSettlesBothQuestionsAndTouchesTheLoginItemOnlyWhenTheChoiceDiffers) {
    struct Row {
        const char* name;
        bool loginBefore, choice, sandbox, tour;
        int loginCalls;
    };
    const Row rows[] = {
        {"skip with the item as it was", false, false, false, false, 0},
        {"open at login chosen", false, true, false, false, 1},
        {"turned off", true, false, false, false, 1},
        {"under --sandbox the item is never touched", false, true, true, false, 0},
        {"take the tour", false, false, false, true, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeSetup fake(QStringLiteral("onboarding"));
        const auto& defaults = fake.defaults;
        Prefs prefs(defaults, row.sandbox);
        FakeLoginItem& login = fake.login;
        login.on = row.loginBefore;
        ::Setup setup = fake.make(QStringLiteral("/Applications/Quenlark.app"));
        FakeClock clock;
        QStringList calls;
        bool open = false;
        Onboarding::Environment e;
        e.prefs = &prefs;
        e.setup = &setup;
        e.clock = &clock;
        e.sandbox = row.sandbox;
        e.openWindow = [&](OnboardingModel&) { open = true, calls << QStringLiteral("open"); };
        e.windowOpen = [&] { return open; };
        e.bringForward = [&] { calls << QStringLiteral("forward"); };
        e.closeWindow = [&] { open = false, calls << QStringLiteral("close"); };
        e.openMainWindow = [&] { calls << QStringLiteral("main"); };
        e.startTour = [&] { calls << QStringLiteral("tour"); };
        Onboarding onboarding(std::move(e));

        onboarding.show();
        onboarding.model()->go(3);
        onboarding.show(); // open already: brought forward, same model and page
        EXPECT_EQ(onboarding.model()->page(), 3);
        EXPECT_EQ(onboarding.model()->login(), row.loginBefore);
        onboarding.model()->setLogin(row.choice);
        onboarding.finish(row.tour);

        EXPECT_TRUE(prefs.onboarded());
        EXPECT_EQ(login.calls, row.loginCalls);
        EXPECT_EQ(login.on, row.loginCalls ? row.choice : row.loginBefore);
        EXPECT_TRUE(defaults->boolean(::Setup::askedLoginKey));
        EXPECT_TRUE(defaults->boolean(::Setup::skipMoveKey));
        EXPECT_EQ(calls, (QStringList{QStringLiteral("open"), QStringLiteral("forward"), QStringLiteral("close"),
                                      QStringLiteral("main")}));
        clock.advanceSeconds(0.599);
        QCoreApplication::processEvents();
        EXPECT_FALSE(calls.contains(QStringLiteral("tour")));
        clock.advanceSeconds(0.001);
        QCoreApplication::processEvents();
        EXPECT_EQ(calls.contains(QStringLiteral("tour")), row.tour) << "0.6 s after the main window";
    }
}
