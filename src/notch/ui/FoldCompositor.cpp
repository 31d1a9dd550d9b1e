#include "notch/ui/FoldCompositor.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace FoldCompositor {

bool running(xcb_connection_t* c, int screen) {
    if (!c || xcb_connection_has_error(c))
        return false;
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, static_cast<uint16_t>(name.size()), name.constData()), nullptr),
        &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false; // nobody ever named the selection, so nobody owns it
    const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr), &std::free);
    return owner && owner->owner != XCB_WINDOW_NONE;
}

namespace {
// The screen number of DISPLAY (":0.1" is screen 1), as the connection was opened on it.
int displayScreen() {
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype colon = display.lastIndexOf(':');
    const qsizetype dot = display.indexOf('.', colon + 1);
    return colon < 0 || dot < 0 ? 0 : display.mid(dot + 1).toInt();
}
} // namespace

bool running() {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        return x11 && x11->connection() && running(x11->connection(), displayScreen());
    }
    // Offscreen renders into images and Wayland always composites.
    return QGuiApplication::platformName() != QLatin1String("minimal");
}

} // namespace FoldCompositor
