#include "platform/gui/FullScreen.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <unistd.h>

namespace FullScreen {

bool inFront(const WindowList::Snapshot& snapshot, qint64 ownPid, const QList<QSize>& screens) {
    if (!snapshot.frontPid || *snapshot.frontPid == ownPid)
        return false;
    for (const auto& window : snapshot.windows) {
        if (window.pid != *snapshot.frontPid || window.hidden || window.desktopElement)
            continue;
        if (window.fullScreen || screens.contains(window.size))
            return true;
    }
    return false;
}

bool inFront() {
    const WindowList::Snapshot snapshot = WindowList::read();
    if (!snapshot.frontPid)
        return false;
    QList<QSize> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const double ratio = screen->devicePixelRatio();
        const QSize size = screen->geometry().size();
        screens.append(QSize(static_cast<int>(std::lround(size.width() * ratio)),
                             static_cast<int>(std::lround(size.height() * ratio))));
    }
    return inFront(snapshot, getpid(), screens);
}

} // namespace FullScreen
