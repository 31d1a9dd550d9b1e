#include "notch/ui/IslandWindow.h"

#include "notch/IslandModel.h"
#include "notch/ui/DarkPalette.h"
#include "notch/ui/IslandView.h"
#include "platform/gui/X11Panel.h"
#include "runtime/Observation.h"

#include <QKeyEvent>
#include <QPainterPath>
#include <QVBoxLayout>
#include <QWindow>

#include <utility>

std::shared_ptr<IslandWindow> IslandWindow::open(std::shared_ptr<IslandModel> model, const QRectF& frame,
                                                 Store* store) {
    std::shared_ptr<IslandWindow> window(new IslandWindow(std::move(model), store),
                                         [](IslandWindow* w) { w->deleteLater(); });
    // Mapped a pixel short and grown to its frame once shown: a compositor that works a window's
    // shadow out before it has seen the window mapped keeps it, the box of the whole transparent
    // window, until the window's size changes.
    const QRect rect = frame.toAlignedRect();
    if (!window->cut_)
        window->frame_ = rect;
    window->setGeometry(window->cut_ ? rect : rect.adjusted(0, 0, 0, -1));
    window->create();
    X11Panel::prepare(window->windowHandle());
    window->windowHandle()->installEventFilter(window.get());
    window->show();
    window->reshape();
    return window;
}

IslandWindow::IslandWindow(std::shared_ptr<IslandModel> model, Store* store)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11NetWmWindowTypeUtility);
    setFocusPolicy(Qt::StrongFocus);
    // Without a compositor the translucent parts would show black: the window is cut instead.
    cut_ = !X11Panel::compositing();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new IslandView(std::move(model), store, ear, this);
    layout->addWidget(view_);
    connect(view_, &IslandView::shapeChanged, this, [this] { reshape(); });
    new Observer(
        this, [this] { (void)view_->model()->state()->leaving(); }, [this] { reshape(); });
}

void IslandWindow::reshape() {
    const QRegion region(view_->outline().toFillPolygon().toPolygon());
    if (cut_)
        setMask(region);
    // On its way out the island lets clicks through to what lies beneath.
    else if (windowHandle())
        X11Panel::setInputShape(windowHandle(), view_->model()->state()->leaving() ? QRegion() : region);
}

void IslandWindow::orderOut() { hide(); }

bool IslandWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed() &&
        !frame_.isEmpty()) {
        setGeometry(std::exchange(frame_, QRect()));
        X11Panel::shown(windowHandle());
    }
    return QWidget::eventFilter(watched, event);
}

bool IslandWindow::event(QEvent* event) {
    // The whole window paints while the update request is handled.
    if (event->type() == QEvent::UpdateRequest || event->type() == QEvent::Paint) {
        const DarkPalette dark;
        return QWidget::event(event);
    }
    return QWidget::event(event);
}

void IslandWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        view_->model()->escape();
        return;
    }
    QWidget::keyPressEvent(event);
}
