#include "platform/gui/WindowStack.h"

#include "platform/gui/XcbReply.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>

namespace WindowStack {
namespace {

using XcbReply::atom;
using XcbReply::own;
using XcbReply::values;

// The class part of WM_CLASS ("instance\0class\0").
QString windowClass(xcb_connection_t* c, xcb_window_t window) {
    auto reply = own(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256), nullptr));
    if (!reply || reply->format != 8)
        return {};
    const auto* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
    const QList<QByteArray> parts = QByteArray(data, xcb_get_property_value_length(reply.get())).split('\0');
    return parts.size() > 1 ? QString::fromLocal8Bit(parts[1]) : QString();
}

struct Atoms {
    xcb_atom_t pid, state, above, hidden, type, dock, notification, opacity, stacking;
};

std::optional<Window> describe(xcb_connection_t* c, xcb_window_t root, xcb_window_t id, const Atoms& a) {
    auto attributes = own(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr));
    auto geometry = own(xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr));
    if (!attributes || !geometry || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
        return std::nullopt; // gone meanwhile, or not on screen
    auto origin = own(xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, id, root, 0, 0), nullptr));
    if (!origin)
        return std::nullopt;
    Window window;
    window.id = id;
    window.overrideRedirect = attributes->override_redirect != 0;
    window.bounds = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    if (const auto pid = values(c, id, a.pid, XCB_ATOM_CARDINAL, 1); !pid.isEmpty())
        window.pid = pid.first();
    window.owner = windowClass(c, id);
    if (const auto opacity = values(c, id, a.opacity, XCB_ATOM_CARDINAL, 1); !opacity.isEmpty())
        window.opacity = static_cast<double>(opacity.first()) / 0xFFFFFFFFu;
    const auto types = values(c, id, a.type, XCB_ATOM_ATOM);
    window.dock = types.contains(a.dock);
    window.notification = types.contains(a.notification);
    const auto states = values(c, id, a.state, XCB_ATOM_ATOM);
    if (states.contains(a.hidden))
        return std::nullopt;
    window.above = states.contains(a.above);
    return window;
}

} // namespace

QList<Window> read(xcb_connection_t* c) {
    QList<Window> stack;
    if (!c || xcb_connection_has_error(c))
        return stack;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen)
        return stack;
    const xcb_window_t root = screen->root;
    const Atoms a{atom(c, "_NET_WM_PID"),
                  atom(c, "_NET_WM_STATE"),
                  atom(c, "_NET_WM_STATE_ABOVE"),
                  atom(c, "_NET_WM_STATE_HIDDEN"),
                  atom(c, "_NET_WM_WINDOW_TYPE"),
                  atom(c, "_NET_WM_WINDOW_TYPE_DOCK"),
                  atom(c, "_NET_WM_WINDOW_TYPE_NOTIFICATION"),
                  atom(c, "_NET_WM_WINDOW_OPACITY"),
                  atom(c, "_NET_CLIENT_LIST_STACKING")};

    // The root's children bottom to top; the managed ones are frames, described below by
    // their clients, so only the unmanaged ones count here.
    if (auto tree = own(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr))) {
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = xcb_query_tree_children_length(tree.get()) - 1; i >= 0; --i)
            if (auto window = describe(c, root, children[i], a); window && window->overrideRedirect)
                stack.append(*window);
    }
    const auto clients = values(c, root, a.stacking, XCB_ATOM_WINDOW);
    for (auto it = clients.rbegin(); it != clients.rend(); ++it)
        if (auto window = describe(c, root, *it, a))
            stack.append(*window);
    return stack;
}

QList<Window> read() {
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? read(x11->connection()) : QList<Window>{};
}

} // namespace WindowStack
