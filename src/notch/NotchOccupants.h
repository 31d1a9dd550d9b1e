#pragma once

#include <QList>
#include <QRectF>
#include <QSet>
#include <QSizeF>
#include <QString>

#include <optional>

// Which windows of other programs cover the top centre of a screen, where the island hangs.
// Pure over a window list, so the window manager's view (EWMH) converts into it.
namespace NotchOccupants {

// One top-level window as the window manager publishes it.
struct Window {
    std::optional<qint64> id;      // the window number
    std::optional<qint64> pid;     // the owning process, when the window says
    QString owner;                 // the owning program's name, empty when unknown
    std::optional<QRectF> bounds;  // global, top-left origin
    std::optional<double> opacity; // _NET_WM_WINDOW_OPACITY as 0..1, when set
    // What stands for a layer above the status bar's: override-redirect (menus, tooltips,
    // overlays), the notification type and the above state. The dock type (panels and docks) is
    // the desktop's own, like the system's owners, and never covers.
    bool overrideRedirect = false;
    bool dock = false;
    bool notification = false;
    bool above = false;
};

struct Occupant {
    qint64 id = 0;
    QString owner; // "?" when the list gives none
    QRectF bounds;
    bool operator==(const Occupant&) const = default;
};

// The probed area in global top-left coordinates: max(360, notch width + 80) wide, 80 high,
// centred on the screen's top edge.
QRectF area(const QRectF& screenFrame, const QSizeF& notch);

// The windows over `area`, in list order; the rules run in a fixed order and the first that
// fails excludes the window.
QList<Occupant> occupants(const QList<Window>& windows, const QRectF& area, double screenWidth, qint64 ownPid);
QSet<qint64> ids(const QList<Occupant>& occupants);

} // namespace NotchOccupants
