#include "notch/ui/ArrivalEffect.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>

ArrivalEffect::ArrivalEffect(QObject* parent) : QGraphicsEffect(parent) {}

void ArrivalEffect::setState(double opacity, double scale, double shift) {
    opacity = std::clamp(opacity, 0.0, 1.0);
    if (opacity == opacity_ && scale == scale_ && shift == shift_)
        return;
    opacity_ = opacity;
    scale_ = scale;
    shift_ = shift;
    update();
}

void ArrivalEffect::draw(QPainter* painter) {
    if (resting()) {
        drawSource(painter);
        return;
    }
    if (opacity_ <= 0)
        return;
    QPoint offset;
    const QPixmap grab = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
    if (grab.isNull())
        return;
    const QRectF bounds = sourceBoundingRect(Qt::LogicalCoordinates);
    const QPointF anchor(bounds.center().x(), bounds.top());
    painter->save();
    // A grab drawn here would ignore the widget's mask: keep to it.
    if (const auto* widget = qobject_cast<QWidget*>(parent()); widget && !widget->mask().isEmpty())
        painter->setClipRegion(widget->mask(), Qt::IntersectClip);
    painter->setOpacity(painter->opacity() * opacity_);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->translate(anchor + QPointF(0, shift_));
    painter->scale(scale_, scale_);
    painter->translate(-anchor);
    painter->drawPixmap(offset, grab);
    painter->restore();
}
