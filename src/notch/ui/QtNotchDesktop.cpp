#include "notch/ui/QtNotchDesktop.h"

#include "notch/ui/IslandWindow.h"
#include "notch/ui/MainWindowFold.h"
#include "platform/gui/FullScreen.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <unistd.h>

QList<NotchDesktop::Window> QtNotchDesktop::ownWindows() const {
    QList<Window> windows;
    for (const QWindow* window : QGuiApplication::topLevelWindows()) {
        const Qt::WindowType type = window->type();
        windows.append(Window{
            .title = window->title(),
            .visible = window->isVisible(),
            .minimised = (window->windowStates() & Qt::WindowMinimized) != 0,
            .normalLevel = (type == Qt::Window || type == Qt::Dialog) &&
                           !(window->flags() & (Qt::WindowStaysOnTopHint | Qt::WindowStaysOnBottomHint)),
        });
    }
    return windows;
}

bool QtNotchDesktop::applicationActive() const { return QGuiApplication::applicationState() == Qt::ApplicationActive; }

bool QtNotchDesktop::fullScreenAppInFront() const { return FullScreen::inFront(); }

std::optional<UpdateIsland::Screen> QtNotchDesktop::hangingScreen() const {
    // No screen has a notch here, so the one under the pointer comes first.
    const QList<QScreen*> screens = QGuiApplication::screens();
    QScreen* chosen = nullptr;
    const QPoint pointer = QCursor::pos();
    for (QScreen* screen : screens)
        if (!chosen && screen->geometry().contains(pointer))
            chosen = screen;
    if (!chosen)
        chosen = QGuiApplication::primaryScreen();
    if (!chosen && !screens.isEmpty())
        chosen = screens.first();
    if (!chosen)
        return std::nullopt;
    return UpdateIsland::Screen{QRectF(chosen->geometry()), QRectF(chosen->availableGeometry()), QSizeF()};
}

namespace {

// Device pixels to device-independent ones on the screen under the window's centre.
QRectF independent(const QRect& bounds, const QList<QtNotchDesktop::ScreenScale>& screens) {
    const QtNotchDesktop::ScreenScale* on = screens.isEmpty() ? nullptr : &screens.first();
    for (const auto& screen : screens) {
        const QRectF native(screen.frame.topLeft(), screen.frame.size() * screen.ratio);
        if (native.contains(QRectF(bounds).center())) {
            on = &screen;
            break;
        }
    }
    if (!on)
        return bounds;
    const QPointF origin = on->frame.topLeft();
    return {origin + (QPointF(bounds.topLeft()) - origin) / on->ratio, QSizeF(bounds.size()) / on->ratio};
}

} // namespace

QList<NotchOccupants::Window> QtNotchDesktop::windows(const QList<WindowStack::Window>& stack,
                                                      const QList<ScreenScale>& screens, const QSet<quint32>& own,
                                                      qint64 ownPid) {
    QList<NotchOccupants::Window> windows;
    for (const WindowStack::Window& w : stack) {
        const qint64 pid = own.contains(w.id) ? ownPid : w.pid;
        windows.append(NotchOccupants::Window{
            .id = w.id,
            .pid = pid ? std::optional<qint64>(pid) : std::nullopt,
            .owner = w.owner,
            .bounds = independent(w.bounds, screens),
            .opacity = w.opacity,
            .overrideRedirect = w.overrideRedirect,
            .dock = w.dock,
            .notification = w.notification,
            .above = w.above,
        });
    }
    return windows;
}

QList<NotchOccupants::Occupant> QtNotchDesktop::occupants(const UpdateIsland::Screen& screen) const {
    QList<ScreenScale> screens;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        screens.append({QRectF(primary->geometry()), primary->devicePixelRatio()});
    for (const QScreen* other : QGuiApplication::screens())
        if (other != QGuiApplication::primaryScreen())
            screens.append({QRectF(other->geometry()), other->devicePixelRatio()});
    QSet<quint32> own;
    for (const QWindow* window : QGuiApplication::allWindows())
        if (window->handle())
            own.insert(static_cast<quint32>(window->winId()));
    return NotchOccupants::occupants(windows(WindowStack::read(), screens, own, getpid()),
                                     NotchOccupants::area(screen.frame, screen.notch), screen.frame.width(), getpid());
}

std::shared_ptr<IslandPanel> QtNotchDesktop::makePanel(std::shared_ptr<IslandModel> model, const QRectF& frame) {
    return IslandWindow::open(std::move(model), frame, store_);
}

void QtNotchDesktop::growMainWindow(const QRectF& from, const std::shared_ptr<IslandPanel>& island,
                                    std::function<void()> done) {
    if (!fold_) {
        NotchDesktop::growMainWindow(from, island, std::move(done));
        return;
    }
    // The panels are the island windows this desktop made.
    fold_->growFrom(from, dynamic_cast<IslandWindow*>(island.get()), std::move(done));
}
