#include "platform/gui/X11Workspace.h"

#include "platform/gui/XcbReply.h"

#include <QGuiApplication>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

namespace X11Workspace {

void moveHere(QWindow* window) {
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!window || !window->handle() || !x11 || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    xcb_connection_t* c = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_atom_t desktop = XcbReply::atom(c, "_NET_WM_DESKTOP");
    const QList<uint32_t> current =
        XcbReply::values(c, root, XcbReply::atom(c, "_NET_CURRENT_DESKTOP"), XCB_ATOM_CARDINAL, 1);
    const QList<uint32_t> on = XcbReply::values(c, id, desktop, XCB_ATOM_CARDINAL, 1);
    constexpr uint32_t everywhere = 0xFFFFFFFFu;
    if (current.isEmpty() || on.isEmpty() || on.first() == everywhere || on.first() == current.first())
        return;
    // A managed window's workspace is the manager's to change: asked through the root (EWMH).
    xcb_client_message_event_t move{};
    move.response_type = XCB_CLIENT_MESSAGE;
    move.format = 32;
    move.window = id;
    move.type = desktop;
    move.data.data32[0] = current.first();
    move.data.data32[1] = 1; // an application's request
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&move));
    xcb_flush(c);
}

} // namespace X11Workspace
