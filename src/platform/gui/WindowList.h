#pragma once

#include <QList>
#include <QSize>

#include <optional>

struct xcb_connection_t;

// The desktop's top-level windows as the X11 window manager publishes them (EWMH). Without X11
// (Wayland lets no client see other clients' windows) the list is empty.
namespace WindowList {

struct Window {
    qint64 pid = 0;              // _NET_WM_PID; 0 when the window does not say
    QSize size;                  // in device pixels
    bool fullScreen = false;     // _NET_WM_STATE_FULLSCREEN
    bool hidden = false;         // minimised or otherwise off screen
    bool desktopElement = false; // the desktop or a dock, panel or bar
};

struct Snapshot {
    std::optional<qint64> frontPid; // the active window's process
    QList<Window> windows;          // the managed windows, bottom to top
};

// Reads the window manager's lists over `connection`, from its first screen.
Snapshot read(xcb_connection_t* connection);
// Reads over the application's own X11 connection; empty on any other platform.
Snapshot read();

} // namespace WindowList
