#include "notch/NotchScheduler.h"
#include "notch/ui/QtNotchDesktop.h"

#include <gtest/gtest.h>

#include <QWidget>

TEST(QtNotchDesktop, SeesTheApplicationsOwnWindows) {
    QtNotchDesktop desktop;
    const auto inUse = [&] { return NotchScheduler::inUse(false, desktop.ownWindows(), false); };

    QWidget main;
    main.setWindowTitle(QStringLiteral("Quenlark"));
    EXPECT_FALSE(inUse());
    main.show();
    EXPECT_TRUE(inUse());
    main.showMinimized();
    EXPECT_FALSE(inUse());
    main.hide();

    QWidget island(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    island.setWindowTitle(QStringLiteral("Quenlark"));
    island.show();
    EXPECT_FALSE(inUse()); // a panel is not the main window

    QWidget welcome;
    welcome.setWindowTitle(QStringLiteral("Welcome to Quenlark"));
    welcome.show();
    EXPECT_TRUE(inUse());
}
