#include "DemoLaunch.h"
#include "Desktop.h"

#include "app/MainWindow.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QScreen>
#include <QGuiApplication>
#include <QStandardPaths>

#include <set>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

// Where `window` stands on the root window, without its frame.
QRect geometry(WId window) {
    const auto shell = Desktop::run(u"xdotool"_s, {u"getwindowgeometry"_s, u"--shell"_s, QString::number(window)});
    QRect rect;
    for (const QString& line : shell.value_or(QString()).split(u'\n')) {
        const int value = line.section(u'=', 1).toInt();
        if (line.startsWith(u"X="_s))
            rect.moveLeft(value);
        else if (line.startsWith(u"Y="_s))
            rect.moveTop(value);
        else if (line.startsWith(u"WIDTH="_s))
            rect.setWidth(value);
        else if (line.startsWith(u"HEIGHT="_s))
            rect.setHeight(value);
    }
    return rect;
}

// How many colours the window shows once it stood still (an unpainted or black one has one).
int colours(WId window) {
    const QImage picture = QGuiApplication::primaryScreen()->grabWindow(window).toImage();
    std::set<QRgb> seen;
    for (int y = 0; y < picture.height(); y += 4)
        for (int x = 0; x < picture.width(); x += 4)
            seen.insert(picture.pixel(x, y));
    return int(seen.size());
}

} // namespace

// Started quietly, the island shows the updates; a reopen grows the main window out of it,
// centred on the screen and painted, and after a close a reopen brings it back where it stood
// (also where the window manager had placed it), and from another workspace onto the one on
// screen.
// With a compositor the window morphs out of the island, without one it fades in.
TEST(IslandOpening, TheWindowGrowsOutOfTheIslandOntoTheScreenAndComesBackWhereItStood) {
    DemoLaunch launch;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    for (const bool compositor : {false, true}) {
        QProcess compositing;
        if (compositor) {
            ASSERT_FALSE(QStandardPaths::findExecutable(u"xcompmgr"_s).isEmpty())
                << "xcompmgr is not installed (.ci/packages.txt)";
            compositing.start(u"xcompmgr"_s, {});
            ASSERT_TRUE(compositing.waitForStarted());
            Desktop::waitUntil([] { return false; }, 500ms);
        }
        ASSERT_TRUE(launch.start(DemoLaunch::Start()
                                     .with({u"--background"_s, u"--notch-delay"_s, u"0"_s})
                                     .awaiting(u"Quenlark: [0-9]+ updates"_s, 60s)))
            << compositor;
        DemoQuenlark& quenlark = launch.quenlark();
        Desktop::waitUntil([] { return false; }, 1500ms); // open and standing

        // A later launch of the same bundle with the same arguments: handed over, it is a reopen.
        ASSERT_TRUE(quenlark.launchAgain(30s)) << compositor;
        const auto window = Desktop::waitForWindow(MainWindow::title, 10s);
        ASSERT_TRUE(window) << compositor << quenlark.text();
        Desktop::waitUntil([] { return false; }, 1500ms);
        const QRect grown = geometry(*window);
        EXPECT_TRUE(screen.contains(grown.adjusted(0, -20, 0, 0))) << compositor << " frame on screen";
        EXPECT_LE(std::abs(grown.center().x() - screen.center().x()), 2) << compositor;
        EXPECT_GT(colours(*window), 8) << compositor;

        // Moved, closed (it folds away) and reopened: back where it stood.
        ASSERT_TRUE(
            Desktop::run(u"xdotool"_s, {u"windowmove"_s, u"--sync"_s, QString::number(*window), u"40"_s, u"60"_s}));
        Desktop::waitUntil([] { return false; }, 300ms);
        const QRect moved = geometry(*window);
        ASSERT_TRUE(Desktop::close(*window));
        ASSERT_TRUE(Desktop::waitUntil([&] { return !Desktop::waitForWindow(MainWindow::title, 0ms); }, 5s));
        ASSERT_TRUE(quenlark.launchAgain(30s)) << compositor;
        ASSERT_TRUE(Desktop::waitForWindow(MainWindow::title, 10s)) << compositor;
        Desktop::waitUntil([] { return false; }, 1500ms);
        EXPECT_EQ(geometry(*window), moved) << compositor;
        EXPECT_GT(colours(*window), 8) << compositor;

        // Left behind on another workspace, a reopen brings it to the one on screen.
        ASSERT_TRUE(Desktop::run(u"xdotool"_s, {u"set_desktop"_s, compositor ? u"2"_s : u"1"_s}));
        ASSERT_TRUE(Desktop::waitUntil([&] { return !Desktop::waitForWindow(MainWindow::title, 0ms); }, 5s));
        ASSERT_TRUE(quenlark.launchAgain(30s)) << compositor;
        EXPECT_TRUE(Desktop::waitForWindow(MainWindow::title, 10s)) << compositor << " from another workspace";

        ASSERT_TRUE(Desktop::activate(*window));
        ASSERT_TRUE(Desktop::press(u"ctrl+q"_s));
        EXPECT_EQ(quenlark.ended(10s), 0) << compositor;
        if (compositor) {
            compositing.terminate();
            compositing.waitForFinished();
        }
    }

    // Shown at launch, the window stands where the window manager put it; moved and closed, it
    // comes back exactly where it stood rather than where the manager would place it anew.
    ASSERT_TRUE(launch.start(DemoLaunch::Start().with({u"--skip-onboarding"_s})));
    const WId window = launch.window();
    Desktop::waitUntil([] { return false; }, 1000ms);
    ASSERT_TRUE(Desktop::run(u"xdotool"_s, {u"windowmove"_s, u"--sync"_s, QString::number(window), u"40"_s, u"60"_s}));
    Desktop::waitUntil([] { return false; }, 300ms);
    const QRect before = geometry(window);
    ASSERT_TRUE(Desktop::close(window));
    ASSERT_TRUE(Desktop::waitUntil([&] { return !Desktop::waitForWindow(MainWindow::title, 0ms); }, 5s));
    ASSERT_TRUE(launch.quenlark().launchAgain(30s));
    ASSERT_TRUE(Desktop::waitForWindow(MainWindow::title, 10s));
    Desktop::waitUntil([] { return false; }, 1500ms);
    EXPECT_EQ(geometry(window), before);
    EXPECT_TRUE(screen.contains(geometry(window).adjusted(0, -20, 0, 0)));
    ASSERT_TRUE(Desktop::activate(window));
    ASSERT_TRUE(Desktop::press(u"ctrl+q"_s));
    EXPECT_EQ(launch.quenlark().ended(10s), 0);
}
