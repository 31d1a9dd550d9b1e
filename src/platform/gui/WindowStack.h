#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <optional>

struct xcb_connection_t;

// Every window on screen as X11 stacks it, front to back: the unmanaged (override-redirect)
// ones that sit above everything (menus, tooltips, overlays), then the window manager's clients
// (EWMH), with what says how high each one sits. Without X11 the stack is empty.
namespace WindowStack {

struct Window {
    quint32 id = 0;
    qint64 pid = 0;                // _NET_WM_PID; 0 when the window does not say
    QString owner;                 // the class of WM_CLASS, empty when unset
    QRect bounds;                  // on the root window, in device pixels
    std::optional<double> opacity; // _NET_WM_WINDOW_OPACITY as 0..1, when set
    bool overrideRedirect = false;
    bool dock = false;         // _NET_WM_WINDOW_TYPE_DOCK
    bool notification = false; // _NET_WM_WINDOW_TYPE_NOTIFICATION
    bool above = false;        // _NET_WM_STATE_ABOVE
};

// Reads the stack over `connection`, from its first screen.
QList<Window> read(xcb_connection_t* connection);
// Over the application's own X11 connection; empty on any other platform.
QList<Window> read();

} // namespace WindowStack
