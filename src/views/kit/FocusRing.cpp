#include "views/kit/FocusRing.h"

#include "platform/gui/Palette.h"

#include <QPainter>
#include <QPainterPath>

namespace FocusRing {

void paint(QPainter& painter, const QPainterPath& shape, const Palette& palette) {
    QColor ring = palette.accent();
    ring.setAlphaF(0.5f);
    painter.save();
    painter.setPen(QPen(ring, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);
    painter.restore();
}

} // namespace FocusRing
