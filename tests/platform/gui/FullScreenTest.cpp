#include "platform/gui/FullScreen.h"

#include "RunSync.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>

#include <xcb/xcb.h>

#include <cstdlib>
#include <unistd.h>

namespace {

using WindowList::Snapshot;
using WindowList::Window;

QString run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

bool hasWindowManager() {
    QProcess process;
    process.start(QStringLiteral("wmctrl"), {QStringLiteral("-m")});
    return process.waitForFinished(5000) && process.exitCode() == 0;
}

} // namespace

TEST(FullScreen, CountsOnlyAnotherApplicationFillingAScreenInFront) {
    const QList<QSize> screens{{1920, 1080}, {2560, 1440}};
    const Window editor{.pid = 40, .size = {800, 600}};
    const Window stateOnly{.pid = 40, .size = {800, 600}, .fullScreen = true};
    const Window exact{.pid = 40, .size = {2560, 1440}};
    const Window smaller{.pid = 40, .size = {2560, 1439}};
    const Window hiddenFull{.pid = 40, .size = {1920, 1080}, .fullScreen = true, .hidden = true};
    const Window dock{.pid = 40, .size = {1920, 1080}, .desktopElement = true};
    const Window otherFull{.pid = 41, .size = {1920, 1080}, .fullScreen = true};
    struct Case {
        std::optional<qint64> front;
        QList<Window> windows;
        bool full;
    };
    const Case cases[] = {
        {std::nullopt, {otherFull}, false},
        {40, {editor}, false},
        {40, {editor, stateOnly}, true},
        {40, {exact}, true},
        {40, {smaller}, false},
        {40, {hiddenFull, dock}, false},
        {40, {otherFull}, false},                             // full screen, but behind the front application
        {7, {Window{.pid = 7, .size = {1920, 1080}}}, false}, // ourselves
    };
    for (const auto& c : cases)
        EXPECT_EQ(FullScreen::inFront(Snapshot{c.front, c.windows}, 7, screens), c.full)
            << c.windows.size() << " windows in front of " << c.front.value_or(-1);
}

TEST(FullScreen, SeesNothingWithoutAnX11WindowList) {
    // The views' platform here is not X11, as on Wayland.
    EXPECT_FALSE(FullScreen::inFront());
}

// A real window manager, a real window of another process, made full screen with wmctrl.
TEST(FullScreen, ReadsTheWindowManagersFullScreenWindow) {
    for (const char* tool : {"openbox", "wmctrl", "xdotool", "xprop", "xmessage"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << "needs " << tool;
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    int screenNumber = 0;
    xcb_connection_t* x = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(x)) {
        xcb_disconnect(x);
        GTEST_SKIP() << "cannot reach the X server";
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const QList<QSize> screens{QSize(screen->width_in_pixels, screen->height_in_pixels)};

    QProcess openbox;
    if (!hasWindowManager()) {
        openbox.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        ASSERT_TRUE(waitUntil(hasWindowManager));
    }
    QProcess probe;
    const QString title = QStringLiteral("quenlark-full-screen-probe");
    probe.start(QStringLiteral("xmessage"), {QStringLiteral("-title"), title, QStringLiteral("probe")});
    ASSERT_TRUE(probe.waitForStarted());
    const QString id = run(QStringLiteral("xdotool"),
                           {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--name"), title})
                           .section(u'\n', 0, 0);
    ASSERT_FALSE(id.isEmpty());
    const qint64 pid = probe.processId();
    // The toolkit of this client does not publish its process; give it its real one.
    run(QStringLiteral("xprop"),
        {QStringLiteral("-id"), id, QStringLiteral("-f"), QStringLiteral("_NET_WM_PID"), QStringLiteral("32c"),
         QStringLiteral("-set"), QStringLiteral("_NET_WM_PID"), QString::number(pid)});
    run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), id});

    EXPECT_TRUE(waitUntil([&] { return WindowList::read(x).frontPid == pid; }));
    EXPECT_FALSE(FullScreen::inFront(WindowList::read(x), getpid(), screens));

    const auto fullScreen = [&](const char* change) {
        run(QStringLiteral("wmctrl"), {QStringLiteral("-i"), QStringLiteral("-r"), id, QStringLiteral("-b"),
                                       QString::fromLatin1(change) + QStringLiteral(",fullscreen")});
    };
    fullScreen("add");
    EXPECT_TRUE(waitUntil([&] { return FullScreen::inFront(WindowList::read(x), getpid(), screens); }));
    const Snapshot snapshot = WindowList::read(x);
    const auto probeWindow =
        std::find_if(snapshot.windows.begin(), snapshot.windows.end(), [&](const Window& w) { return w.pid == pid; });
    ASSERT_NE(probeWindow, snapshot.windows.end());
    EXPECT_TRUE(probeWindow->fullScreen);
    EXPECT_EQ(probeWindow->size, screens.first());
    EXPECT_FALSE(FullScreen::inFront(snapshot, pid, screens)); // as the probe sees itself

    fullScreen("remove");
    EXPECT_TRUE(waitUntil([&] { return !FullScreen::inFront(WindowList::read(x), getpid(), screens); }));

    probe.kill();
    probe.waitForFinished();
    if (openbox.state() != QProcess::NotRunning) {
        openbox.terminate();
        openbox.waitForFinished();
    }
    xcb_disconnect(x);
}
