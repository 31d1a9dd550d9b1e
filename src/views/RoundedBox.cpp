#include "views/RoundedBox.h"

#include <QPainter>
#include <QPainterPath>

RoundedBox::RoundedBox(qreal radius, std::function<QColor()> fill, QWidget* parent)
    : QWidget(parent), radius_(radius), fill_(std::move(fill)) {}

void RoundedBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), radius_, radius_);
    painter.fillPath(shape, fill_());
}
