#include "notch/NotchOccupants.h"
#include "notch/ui/QtNotchDesktop.h"
#include "platform/gui/WindowStack.h"

#include "RunSync.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t intern(xcb_connection_t* c, const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

// A window of this test standing for another program's: its own process id, class and kind.
struct Probe {
    xcb_window_t id;
};

Probe probe(xcb_connection_t* c, const xcb_screen_t* screen, QRect at, bool overrideRedirect, qint64 pid,
            const char* type = nullptr, bool map = true) {
    const xcb_window_t id = xcb_generate_id(c);
    const uint32_t values[] = {screen->black_pixel, overrideRedirect ? 1u : 0u};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, id, screen->root, static_cast<int16_t>(at.x()),
                      static_cast<int16_t>(at.y()), static_cast<uint16_t>(at.width()),
                      static_cast<uint16_t>(at.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    const uint32_t pid32 = static_cast<uint32_t>(pid);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, intern(c, "_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &pid32);
    const char wmClass[] = "probe\0Probe";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof(wmClass), wmClass);
    if (type) {
        const xcb_atom_t kind = intern(c, type);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, intern(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1,
                            &kind);
    }
    // Placed where asked, as a program that positions its own window.
    const uint32_t hints[18] = {1u | 2u | 4u | 8u, 0, 0, 0, 0};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
    if (map)
        xcb_map_window(c, id);
    xcb_flush(c);
    return {id};
}

bool hasWindowManager() {
    QProcess process;
    process.start(QStringLiteral("wmctrl"), {QStringLiteral("-m")});
    return process.waitForFinished(5000) && process.exitCode() == 0;
}

const WindowStack::Window* find(const QList<WindowStack::Window>& stack, xcb_window_t id) {
    for (const auto& window : stack)
        if (window.id == id)
            return &window;
    return nullptr;
}

qsizetype position(const QList<WindowStack::Window>& stack, xcb_window_t id) {
    for (qsizetype i = 0; i < stack.size(); ++i)
        if (stack[i].id == id)
            return i;
    return -1;
}

} // namespace

// Real windows under a real window manager: what the stack says of each, and which of them the
// island counts as over the top centre of the screen.
TEST(WindowStack, ReadsUnmanagedDocksNotificationsAndAboveWindows) {
    for (const char* tool : {"openbox", "wmctrl"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << "needs " << tool;
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        GTEST_SKIP() << "cannot reach the X server";
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const int width = screen->width_in_pixels;
    QProcess openbox;
    if (!hasWindowManager()) {
        openbox.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        ASSERT_TRUE(waitUntil(hasWindowManager));
    }

    // A window manager that has only just started may lose the first map requests: wait until
    // one of ours is managed.
    const Probe ready = probe(c, screen, {0, 600, 50, 50}, false, 4000);
    QElapsedTimer again;
    again.start();
    ASSERT_TRUE(waitUntil([&] {
        if (find(WindowStack::read(c), ready.id))
            return true;
        if (again.elapsed() < 500)
            return false;
        again.restart();
        xcb_unmap_window(c, ready.id);
        xcb_map_window(c, ready.id);
        xcb_flush(c);
        return false;
    }));

    const int mid = width / 2;
    const Probe menu = probe(c, screen, {mid - 50, 0, 100, 30}, true, 4001);
    const Probe dock = probe(c, screen, {mid - 100, 0, 200, 40}, false, 4002, "_NET_WM_WINDOW_TYPE_DOCK");
    const Probe toast = probe(c, screen, {mid - 60, 10, 120, 50}, false, 4003, "_NET_WM_WINDOW_TYPE_NOTIFICATION");
    const Probe editor = probe(c, screen, {mid - 150, 20, 300, 200}, false, 4004);
    const Probe hidden = probe(c, screen, {mid - 50, 0, 100, 30}, true, 4005, nullptr, false);
    const Probe aside = probe(c, screen, {0, 400, 100, 100}, true, 4006);

    ASSERT_TRUE(waitUntil([&] {
        const auto stack = WindowStack::read(c);
        return find(stack, dock.id) && find(stack, toast.id) && find(stack, editor.id);
    }));
    QProcess::execute(QStringLiteral("wmctrl"), {QStringLiteral("-i"), QStringLiteral("-r"), QString::number(editor.id),
                                                 QStringLiteral("-b"), QStringLiteral("add,above")});
    ASSERT_TRUE(waitUntil([&] {
        const auto read = WindowStack::read(c);
        const auto* e = find(read, editor.id);
        return e && e->above;
    }));

    const QList<WindowStack::Window> stack = WindowStack::read(c);
    const auto* m = find(stack, menu.id);
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(m->overrideRedirect);
    EXPECT_EQ(m->bounds, QRect(mid - 50, 0, 100, 30));
    EXPECT_EQ(m->pid, 4001);
    EXPECT_EQ(m->owner, QStringLiteral("Probe"));
    EXPECT_FALSE(m->opacity.has_value());
    EXPECT_TRUE(find(stack, dock.id)->dock);
    EXPECT_TRUE(find(stack, toast.id)->notification);
    EXPECT_FALSE(find(stack, editor.id)->overrideRedirect);
    EXPECT_EQ(find(stack, hidden.id), nullptr); // not on screen
    // The unmanaged ones sit above every client.
    EXPECT_LT(position(stack, menu.id), position(stack, editor.id));

    const QRectF frame(0, 0, width, screen->height_in_pixels);
    const auto over = [&](const QSet<quint32>& own) {
        return NotchOccupants::ids(NotchOccupants::occupants(QtNotchDesktop::windows(stack, {}, own, 4002),
                                                             NotchOccupants::area(frame, {}), frame.width(), 4002));
    };
    // The dock is this "process" here; the one aside is not over the top centre.
    EXPECT_EQ(over({}), (QSet<qint64>{menu.id, toast.id, editor.id}));
    // A menu of this process counts as its own, whatever the window says.
    EXPECT_EQ(over({menu.id}), (QSet<qint64>{toast.id, editor.id}));

    for (const Probe& p : {ready, menu, dock, toast, editor, hidden, aside})
        xcb_destroy_window(c, p.id);
    xcb_flush(c);
    xcb_disconnect(c);
    if (openbox.state() != QProcess::NotRunning) {
        openbox.terminate();
        openbox.waitForFinished();
    }
}
