#include "onboarding/ui/SetupWindow.h"

#include "FakeLoginItem.h"
#include "FakeRunningCopies.h"
#include "onboarding/Setup.h"
#include "onboarding/SetupModel.h"
#include "onboarding/ui/SetupView.h"
#include "platform/system/Defaults.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QWidget>

TEST(SetupWindow, OneWindowThatComesForwardAtTheStepAskedUnlessItIsDone) {
    FakeLoginItem login;
    FakeRunningCopies copies;
    ::Setup::Environment e;
    e.bundle = QStringLiteral("/home/ann/Downloads/Quenlark.app");
    e.home = QStringLiteral("/home/ann");
    e.defaults = std::make_shared<Defaults>(QDir::tempPath() + QStringLiteral("/setup-window.plist"));
    e.loginItem = &login;
    e.copies = &copies;
    e.relaunch = [](const QString&, const QString&) { return true; };
    e.terminate = [] {};
    ::Setup setup(std::move(e));
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
