#include "notch/NotchOccupants.h"

#include <QStringList>

#include <algorithm>

namespace NotchOccupants {

QRectF area(const QRectF& screenFrame, const QSizeF& notch) {
    const double width = std::max(360.0, notch.width() + 80);
    return {screenFrame.center().x() - width / 2, screenFrame.top(), width, 80};
}

namespace {

// Parts of the desktop itself, which sit high but never hide the island: by name, and here the
// desktop's panels and docks, which the island hangs beside (a panel at the top edge reserves its
// room, and the island hangs below the work area's top).
bool isSystemOwner(const QString& owner) {
    static const QStringList system{QStringLiteral("Window Server"), QStringLiteral("Dock"),
                                    QStringLiteral("Control Center"), QStringLiteral("SystemUIServer")};
    return system.contains(owner);
}

bool covers(const Window& window, const QRectF& area, double screenWidth, qint64 ownPid) {
    if (window.pid && *window.pid == ownPid)
        return false;
    if (!(window.overrideRedirect || window.dock || window.notification || window.above))
        return false;
    if (window.dock || isSystemOwner(window.owner))
        return false;
    if (window.opacity && *window.opacity <= 0)
        return false;
    if (!window.bounds || !window.bounds->isValid() || !window.bounds->intersects(area))
        return false;
    // A window spanning the screen (a full-screen program's) does not count.
    if (window.bounds->width() >= 0.8 * screenWidth)
        return false;
    return window.id.has_value();
}

} // namespace

QList<Occupant> occupants(const QList<Window>& windows, const QRectF& area, double screenWidth, qint64 ownPid) {
    QList<Occupant> found;
    for (const Window& window : windows)
        if (covers(window, area, screenWidth, ownPid))
            found.append({*window.id, window.owner.isEmpty() ? QStringLiteral("?") : window.owner, *window.bounds});
    return found;
}

QSet<qint64> ids(const QList<Occupant>& occupants) {
    QSet<qint64> set;
    for (const Occupant& occupant : occupants)
        set.insert(occupant.id);
    return set;
}

} // namespace NotchOccupants
