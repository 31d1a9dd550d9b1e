#include "onboarding/ui/SetupWindow.h"

#include "FakeSetup.h"
#include "RunSync.h"
#include "onboarding/Setup.h"
#include "onboarding/SetupModel.h"
#include "onboarding/ui/ReplacingSymbol.h"
#include "onboarding/ui/SetupView.h"
#include "platform/system/Defaults.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QWidget>

TEST(SetupWindow, OneWindowThatComesForwardAtTheStepAskedUnlessItIsDone) {
    FakeSetup fake(QStringLiteral("setup-window"));
    ::Setup setup = fake.make(QStringLiteral("/home/ann/Downloads/Quenlark.app"));
    int settings = 0;
    SetupWindow windows(setup, [&] { return std::function<void()>([&] { ++settings; }); });

    windows.show(SetupStep::move);
    QWidget* first = windows.window();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Welcome to Quenlark"));
    EXPECT_EQ(first->width(), 460);
    windows.show(SetupStep::login);
    EXPECT_EQ(windows.window(), first);
    EXPECT_EQ(windows.model()->step(), SetupStep::login);
    // The checklist's first mark is replaced: the check springs in over the old one, to its end.
    ReplacingSymbol* mark = first->findChild<SetupView*>()->mark(0);
    EXPECT_TRUE(waitUntil([&] { return mark->symbol() == QStringLiteral("checkmark.circle.fill"); }));
    EXPECT_LT(mark->replaced(), 0.5);
    EXPECT_TRUE(waitUntil([&] { return mark->replaced() == 1; }));

    // Closed with its title-bar button: the next showing builds a new model and window.
    SetupModel* model = windows.model();
    first->close();
    windows.show(SetupStep::move);
    EXPECT_NE(windows.model(), model);
    EXPECT_EQ(windows.model()->step(), SetupStep::move);

    windows.model()->setStep(SetupStep::done);
    windows.show(SetupStep::login);
    EXPECT_EQ(windows.model()->step(), SetupStep::done);

    // "Open settings" closes the window, then opens the settings.
    auto* view = windows.window()->findChild<SetupView*>();
    ASSERT_TRUE(view);
    view->secondaryButton()->click();
    EXPECT_EQ(settings, 1);
    EXPECT_EQ(windows.window(), nullptr);
    QApplication::processEvents();
}
