#include "platform/gui/WindowList.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace WindowList {
namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> own(T* reply) { return Reply<T>(reply, &std::free); }

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto reply = own(xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, static_cast<uint16_t>(strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The 32-bit values of a window property, at most `limit` of them.
QList<uint32_t> values(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                       uint32_t limit = 4096) {
    QList<uint32_t> out;
    if (property == XCB_ATOM_NONE)
        return out;
    auto reply = own(xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, limit), nullptr));
    if (!reply || reply->format != 32)
        return out;
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    for (int i = 0; i < count; ++i)
        out.append(data[i]);
    return out;
}

} // namespace

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
