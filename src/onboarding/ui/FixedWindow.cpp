#include "onboarding/ui/FixedWindow.h"

#include "app/Windows.h"

#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

namespace FixedWindow {

std::unique_ptr<QWidget> make(const QString& title, QWidget* content) {
    auto window = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                                         Qt::CustomizeWindowHint);
    window->setWindowTitle(title);
    auto* layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(content);
    window->adjustSize();
    return window;
}

void present(QWidget* window) {
    if (const QScreen* screen = window->screen())
        window->move(screen->availableGeometry().center() - window->rect().center());
    Windows::bringForward(window);
}

} // namespace FixedWindow
