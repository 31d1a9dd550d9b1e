#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>

class QPainter;

// A drop shadow under a rounded rectangle, painted by the widget that holds the shape inside
// its own bounds. A graphics effect would do, but effects do not nest: a shadowed button in a
// shadowed card, or a shadowed capsule in a fading toast, loses its painter.
namespace SoftShadow {

// `colour` at its alpha right under the shape, fading out over `blur` beyond it.
void paint(QPainter& painter, const QRectF& shape, qreal radius, const QColor& colour, qreal blur, QPointF offset);

} // namespace SoftShadow
