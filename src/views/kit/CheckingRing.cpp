#include "views/kit/CheckingRing.h"

#include "platform/desktop/DesktopSettings.h"
#include "platform/gui/Palette.h"
#include "views/kit/Animator.h"

#include <QConicalGradient>
#include <QPainter>

#include <cmath>

CheckingRing::CheckingRing(QWidget* parent) : QWidget(parent), reduced_(DesktopSettings::shared().reduceMotion()) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(tr("Checking"));
    // The platform's small indicator steps through its ticks; the ring turns smoothly.
    Animator::loop(this, reduced_ ? 1.0 : 0.85, QEasingCurve::Linear, 0, 1, false, [this](double v) {
        turn_ = reduced_ ? std::floor(v * 8) / 8 : v;
        update();
    });
}

void CheckingRing::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(width() - 8 - 15, height() / 2.0 - 7.5, 15, 15);
    painter.translate(box.center());
    painter.rotate(turn_ * 360);
    if (reduced_) {
        for (int i = 0; i < 8; ++i) {
            QColor tick = palette.secondary();
            tick.setAlphaF(static_cast<float>(0.15 + 0.85 * ((8 - i) % 8) / 8.0));
            painter.setPen(QPen(tick, 1.6, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(QPointF(0, -3.5), QPointF(0, -6.5));
            painter.rotate(-45);
        }
        return;
    }
    // The arc runs clockwise from 0.08 to 0.78 of the circle (from three o'clock), fading in
    // towards its head. The gradient's positions run counter-clockwise.
    QConicalGradient gradient(QPointF(0, 0), 0);
    QColor faint = palette.accent();
    faint.setAlphaF(0.1f);
    gradient.setColorAt(0, palette.accent());
    gradient.setColorAt(0.22, palette.accent());
    gradient.setColorAt(0.92, faint);
    gradient.setColorAt(1, faint);
    painter.setPen(QPen(QBrush(gradient), 2.2, Qt::SolidLine, Qt::RoundCap));
    const QRectF circle(-6.4, -6.4, 12.8, 12.8);
    painter.drawArc(circle, static_cast<int>(-0.08 * 360 * 16), static_cast<int>(-0.70 * 360 * 16));
}
