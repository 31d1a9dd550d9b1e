#include "views/RoundedBox.h"

#include <QPainter>
#include <QPainterPath>

RoundedBox::RoundedBox(qreal radius, std::function<QColor()> fill, QWidget* parent, std::function<QColor()> edge)
    : QWidget(parent), radius_(radius), fill_(std::move(fill)), edge_(std::move(edge)) {}

void RoundedBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    const qreal radius = radius_ < 0 ? box.height() / 2 : radius_;
    QPainterPath shape;
    shape.addRoundedRect(box, radius, radius);
    painter.fillPath(shape, fill_());
    if (edge_) {
        const QRectF inside = box.adjusted(0.5, 0.5, -0.5, -0.5);
        const qreal r = std::max<qreal>(0, radius - 0.5);
        painter.setPen(QPen(edge_(), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(inside, r, r);
    }
}
