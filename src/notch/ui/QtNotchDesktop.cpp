#include "notch/ui/QtNotchDesktop.h"

#include "platform/gui/FullScreen.h"

#include <QGuiApplication>
#include <QWindow>

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

bool QtNotchDesktop::applicationActive() const {
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

bool QtNotchDesktop::fullScreenAppInFront() const { return FullScreen::inFront(); }
