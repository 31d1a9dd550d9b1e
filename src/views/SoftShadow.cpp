#include "views/SoftShadow.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace SoftShadow {

void paint(QPainter& painter, const QRectF& shape, qreal radius, const QColor& colour, qreal blur, QPointF offset) {
    painter.save();
    painter.setPen(Qt::NoPen);
    const QRectF base = shape.translated(offset);
    // Rings of falling opacity, outermost first, approximating a Gaussian's tail.
    const int steps = std::max(1, static_cast<int>(std::ceil(blur)));
    for (int i = steps; i >= 0; --i) {
        const qreal spread = blur * i / steps - blur / 2;
        const qreal falloff = 1.0 - static_cast<qreal>(i) / (steps + 1);
        QColor ring = colour;
        ring.setAlphaF(static_cast<float>(colour.alphaF() * falloff * falloff * 2.0 / (steps + 1)));
        QPainterPath path;
        const QRectF grown = base.adjusted(-spread, -spread, spread, spread);
        const qreal r = std::max<qreal>(0, radius + spread);
        path.addRoundedRect(grown, r, r);
        painter.fillPath(path, ring);
    }
    painter.restore();
}

} // namespace SoftShadow
