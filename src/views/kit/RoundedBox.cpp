#include "views/kit/RoundedBox.h"

#include "platform/gui/PaintCache.h"

#include <QPainter>

RoundedBox::RoundedBox(qreal radius, std::function<QColor()> fill, QWidget* parent, std::function<QColor()> edge)
    : QWidget(parent), radius_(radius), fill_(std::move(fill)), edge_(std::move(edge)) {}

void RoundedBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const qreal radius = radius_ < 0 ? height() / 2.0 : radius_;
    PaintCache::fillRounded(painter, QRectF(rect()), radius, fill_(), edge_ ? edge_() : QColor(Qt::transparent));
}
