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

// Each window is read at the scale of the screen it is on: here a scale-2 screen at the left and
// a scale-1 one beside it, which starts at device pixel 3840.
TEST(QtNotchDesktop, ReadsEachWindowAtTheScaleOfItsScreen) {
    const QList<QtNotchDesktop::ScreenScale> screens{{QRectF(0, 0, 1920, 1080), 2}, {QRectF(3840, 0, 1920, 1080), 1}};
    struct Case {
        const char* what;
        QRect bounds; // device pixels
        QRectF read;
    };
    const Case cases[] = {
        {"top centre of the scaled screen", {1720, 0, 400, 80}, {860, 0, 200, 40}},
        {"top centre of the other screen", {4700, 0, 200, 40}, {4700, 0, 200, 40}},
        {"lower on the other screen", {3940, 500, 100, 100}, {3940, 500, 100, 100}},
        {"on no screen: the first one's scale", {8000, 0, 100, 40}, {4000, 0, 50, 20}},
    };
    for (const Case& c : cases) {
        WindowStack::Window window;
        window.id = 9;
        window.bounds = c.bounds;
        const auto read = QtNotchDesktop::windows({window}, screens, {}, 1);
        ASSERT_EQ(read.size(), 1) << c.what;
        EXPECT_EQ(read.first().bounds, c.read) << c.what;
    }

    // A menu at the other screen's top centre covers the island that hangs there.
    const QRectF other(3840, 0, 1920, 1080);
    WindowStack::Window menu;
    menu.id = 11;
    menu.overrideRedirect = true;
    menu.bounds = QRect(4700, 0, 200, 40);
    EXPECT_EQ(NotchOccupants::occupants(QtNotchDesktop::windows({menu}, screens, {}, 1),
                                        NotchOccupants::area(other, {}), other.width(), 1)
                  .size(),
              1);
}
