#include "views/RoundedBox.h"

#include "platform/gui/PaintCache.h"

#include <QPainter>
#include <QPainterPath>

RoundedBox::RoundedBox(qreal radius, std::function<QColor()> fill, QWidget* parent, std::function<QColor()> edge)
    : QWidget(parent), radius_(radius), fill_(std::move(fill)), edge_(std::move(edge)) {}

void RoundedBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF box(rect());
    const qreal radius = radius_ < 0 ? box.height() / 2 : radius_;
    const QColor fill = fill_();
    const QColor edge = edge_ ? edge_() : QColor(Qt::transparent);
    const QString key = QStringLiteral("box:%1x%2,%3,%4,%5")
                            .arg(width())
                            .arg(height())
                            .arg(radius)
                            .arg(fill.rgba(), 0, 16)
                            .arg(edge.rgba(), 0, 16);
    PaintCache::draw(painter, key, QPointF(0, 0), size(), [&](QPainter& into) {
        QPainterPath shape;
        shape.addRoundedRect(box, radius, radius);
        into.fillPath(shape, fill);
        if (edge.alpha() > 0) {
            const QRectF inside = box.adjusted(0.5, 0.5, -0.5, -0.5);
            const qreal r = std::max<qreal>(0, radius - 0.5);
            into.setPen(QPen(edge, 1));
            into.setBrush(Qt::NoBrush);
            into.drawRoundedRect(inside, r, r);
        }
    });
}
