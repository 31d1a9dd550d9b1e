#include "onboarding/ui/CloseDot.h"

#include "onboarding/ui/WelcomeColors.h"

#include <QPainter>

CloseDot::CloseDot(QWidget* parent) : QAbstractButton(parent) {
    setAccessibleName(tr("Close"));
    setFixedSize(sizeHint());
    setFocusPolicy(Qt::NoFocus);
}

void CloseDot::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CloseDot::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CloseDot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(WelcomeColors::white(0.16), 1));
    painter.setBrush(WelcomeColors::white(isDown() ? 0.3 : hovered_ ? 0.22 : 0.12));
    painter.drawEllipse(disc);
    if (!hovered_)
        return;
    painter.setPen(QPen(WelcomeColors::white(0.85), 1.3, Qt::SolidLine, Qt::RoundCap));
    const QPointF c = disc.center();
    painter.drawLine(c + QPointF(-3, -3), c + QPointF(3, 3));
    painter.drawLine(c + QPointF(3, -3), c + QPointF(-3, 3));
}
