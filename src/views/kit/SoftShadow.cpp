#include "views/kit/SoftShadow.h"

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
    // The rings cost a dozen antialiased fills; a list repaints the same shadow for every card
    // in every frame, so each size is drawn once and copied after.
    const QRectF base = shape.translated(offset);
    const qreal margin = std::ceil(blur / 2) + 2;
    PaintCache::place(painter, QStringLiteral("shadow:%1,%2,%3").arg(radius).arg(blur).arg(colour.rgba(), 0, 16),
                      base.adjusted(-margin, -margin, margin, margin), [&](QPainter& into) {
                          into.setRenderHint(QPainter::Antialiasing);
                          into.setPen(Qt::NoPen);
                          rings(into, base, radius, colour, blur);
                      });
}

} // namespace SoftShadow
