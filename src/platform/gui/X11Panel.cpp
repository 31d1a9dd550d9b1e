#include "platform/gui/X11Panel.h"

#include "platform/gui/XcbReply.h"

#include <QGuiApplication>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <cmath>
#include <vector>

namespace X11Panel {
namespace {

xcb_connection_t* connection() {
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

bool isX11() { return QGuiApplication::platformName() == QLatin1String("xcb") && connection(); }

// Compositors that read it draw no shadow of their own for the window: the panel paints its own,
// and theirs would be the box of the whole window, transparent parts and all.
void askNoShadow(xcb_connection_t* c, xcb_window_t id) {
    const uint32_t none = 0;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XcbReply::atom(c, "_COMPTON_SHADOW", false), XCB_ATOM_CARDINAL,
                        32, 1, &none);
}

} // namespace

void prepare(QWindow* window) {
    if (!window || !isX11())
        return;
    xcb_connection_t* c = connection();
    const auto id = static_cast<xcb_window_t>(window->winId());
    // Qt merges its own states into what is set before the window is mapped.
    const xcb_atom_t states[] = {
        XcbReply::atom(c, "_NET_WM_STATE_ABOVE", false), XcbReply::atom(c, "_NET_WM_STATE_STICKY", false),
        XcbReply::atom(c, "_NET_WM_STATE_SKIP_TASKBAR", false), XcbReply::atom(c, "_NET_WM_STATE_SKIP_PAGER", false)};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XcbReply::atom(c, "_NET_WM_STATE", false), XCB_ATOM_ATOM, 32,
                        std::size(states), states);
    const uint32_t allDesktops = 0xFFFFFFFFu;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XcbReply::atom(c, "_NET_WM_DESKTOP", false), XCB_ATOM_CARDINAL,
                        32, 1, &allDesktops);
    askNoShadow(c, id);
    xcb_flush(c);
}

void shown(QWindow* window) {
    if (!window || !isX11())
        return;
    xcb_connection_t* c = connection();
    // The window manager's frame, the root's child holding the window, is what compositors see.
    xcb_window_t id = static_cast<xcb_window_t>(window->winId());
    for (;;) {
        auto tree = XcbReply::own(xcb_query_tree_reply(c, xcb_query_tree(c, id), nullptr));
        if (!tree || tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE)
            break;
        id = tree->parent;
    }
    if (id != static_cast<xcb_window_t>(window->winId()))
        askNoShadow(c, id);
    xcb_flush(c);
}

void setInputShape(QWindow* window, const QRegion& region) {
    if (!window || !isX11())
        return;
    xcb_connection_t* c = connection();
    const double ratio = window->devicePixelRatio();
    std::vector<xcb_rectangle_t> rects;
    for (const QRect& r : region) {
        const int x = static_cast<int>(std::floor(r.x() * ratio)), y = static_cast<int>(std::floor(r.y() * ratio));
        rects.push_back({static_cast<int16_t>(x), static_cast<int16_t>(y),
                         static_cast<uint16_t>(std::ceil((r.x() + r.width()) * ratio) - x),
                         static_cast<uint16_t>(std::ceil((r.y() + r.height()) * ratio) - y)});
    }
    xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED,
                         static_cast<xcb_window_t>(window->winId()), 0, 0, static_cast<uint32_t>(rects.size()),
                         rects.data());
    xcb_flush(c);
}

bool compositing() {
    if (!isX11())
        return false;
    xcb_connection_t* c = connection();
    // The manager of the default screen, the one the application's windows are on.
    const xcb_atom_t selection = XcbReply::atom(c, "_NET_WM_CM_S0", false);
    auto owner = XcbReply::own(xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

} // namespace X11Panel
