#include "app/Windows.h"

#include "platform/gui/X11Workspace.h"

#include <QApplication>
#include <QWindow>

namespace Windows {

QList<QWidget*> all() {
    QList<QWidget*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isWindow())
            windows.append(widget);
    }
    return windows;
}

bool canBecomeMain(const QWidget* window) {
    const Qt::WindowType type = window->windowType();
    return type == Qt::Window || type == Qt::Widget;
}

QWidget* main(const QString& title) {
    for (QWidget* window : all()) {
        if (window->windowTitle() == title && canBecomeMain(window))
            return window;
    }
    return nullptr;
}

bool anyVisible(const QString& title) {
    for (QWidget* window : all()) {
        if (window->windowTitle() == title && window->isVisible())
            return true;
    }
    return false;
}

QEvent::Type broughtForward() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void bringForward(QWidget* window) {
    QEvent announce(broughtForward());
    QCoreApplication::sendEvent(window, &announce);
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    // Left on another workspace it would stay out of sight, "visible" all the same.
    X11Workspace::moveHere(window->windowHandle());
    window->raise();
    window->activateWindow();
}

void showInvisible(QWidget* window) {
    window->setWindowOpacity(0);
    bringForward(window);
}

} // namespace Windows
