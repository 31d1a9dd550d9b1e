#include "views/SoftShadow.h"

#include "platform/gui/PaintCache.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace SoftShadow {
namespace {
void rings(QPainter& painter, const QRectF& base, qreal radius, const QColor& colour, qreal blur) {
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
}
} // namespace

void paint(QPainter& painter, const QRectF& shape, qreal radius, const QColor& colour, qreal blur, QPointF offset) {
    painter.save();
    painter.setPen(Qt::NoPen);
    const QRectF base = shape.translated(offset);
    // The rings cost a dozen antialiased fills; a list repaints the same shadow for every card
    // in every frame, so each size is drawn once into a pixmap, at the same sub-pixel phase.
    const qreal margin = std::ceil(blur / 2) + 2;
    const QRectF bounds = base.adjusted(-margin, -margin, margin, margin);
    const QPointF origin(std::floor(bounds.left()), std::floor(bounds.top()));
    const QRectF local = base.translated(-origin);
    const QSize size(static_cast<int>(std::ceil(bounds.right() - origin.x())),
                     static_cast<int>(std::ceil(bounds.bottom() - origin.y())));
    const QString key = QStringLiteral("shadow:%1,%2,%3,%4,%5,%6,%7")
                            .arg(local.x())
                            .arg(local.y())
                            .arg(local.width())
                            .arg(local.height())
                            .arg(radius)
                            .arg(blur)
                            .arg(colour.rgba(), 0, 16);
    PaintCache::draw(painter, key, origin, size, [&](QPainter& into) { rings(into, local, radius, colour, blur); });
    painter.restore();
}

} // namespace SoftShadow
