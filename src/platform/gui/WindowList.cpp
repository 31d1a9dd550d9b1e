#include "platform/gui/WindowList.h"

#include "platform/gui/XcbReply.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

namespace WindowList {

using XcbReply::atom;
using XcbReply::own;
using XcbReply::values;

Snapshot read(xcb_connection_t* c) {
    Snapshot snapshot;
    if (!c || xcb_connection_has_error(c))
        return snapshot;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen)
        return snapshot;
    const xcb_window_t root = screen->root;
    const xcb_atom_t pidAtom = atom(c, "_NET_WM_PID"), stateAtom = atom(c, "_NET_WM_STATE"),
                     fullAtom = atom(c, "_NET_WM_STATE_FULLSCREEN"), hiddenAtom = atom(c, "_NET_WM_STATE_HIDDEN"),
                     typeAtom = atom(c, "_NET_WM_WINDOW_TYPE"), desktopAtom = atom(c, "_NET_WM_WINDOW_TYPE_DESKTOP"),
                     dockAtom = atom(c, "_NET_WM_WINDOW_TYPE_DOCK");

    auto pidOf = [&](xcb_window_t window) -> qint64 {
        const auto pid = values(c, window, pidAtom, XCB_ATOM_CARDINAL, 1);
        return pid.isEmpty() ? 0 : pid.first();
    };

    const auto active = values(c, root, atom(c, "_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 1);
    if (!active.isEmpty() && active.first() != XCB_WINDOW_NONE) {
        if (const qint64 pid = pidOf(active.first()))
            snapshot.frontPid = pid;
    }

    for (const uint32_t id : values(c, root, atom(c, "_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW)) {
        auto geometry = own(xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr));
        if (!geometry)
            continue; // gone meanwhile
        Window window;
        window.pid = pidOf(id);
        window.size = QSize(geometry->width, geometry->height);
        const auto states = values(c, id, stateAtom, XCB_ATOM_ATOM);
        window.fullScreen = states.contains(fullAtom);
        window.hidden = states.contains(hiddenAtom);
        const auto types = values(c, id, typeAtom, XCB_ATOM_ATOM);
        window.desktopElement = types.contains(desktopAtom) || types.contains(dockAtom);
        snapshot.windows.append(window);
    }
    return snapshot;
}

Snapshot read() {
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? read(x11->connection()) : Snapshot{};
}

} // namespace WindowList
