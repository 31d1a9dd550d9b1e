#pragma once

#include <QBrush>
#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>

#include <functional>

class QPainter;

// Antialiased shapes that widgets repaint alike frame after frame (a card's body, its shadow,
// capsules, symbols) are drawn once per look into a pixmap and copied after. The rasteriser's
// strokes and fills cost more than the copy by far, and on a large fill it wakes threads to
// share it. A scaled or rotated painter draws the shape itself: a copy would blur.
namespace PaintCache {

// Draws `size` at `origin` (whole logical pixels) from the pixmap `key` names, having `draw`
// fill it first (antialiased, no pen, transparent ground) when the cache lacks it. `key` must
// name everything the drawing depends on; the device pixel ratio is added here.
void draw(QPainter& painter, const QString& key, QPointF origin, QSize size,
          const std::function<void(QPainter&)>& draw);

// What `paint` draws inside `bounds`, which may lie anywhere: `paint` draws in the painter's own
// coordinates, and the copy keeps the sub-pixel place, so it looks as drawn directly. `key`
// names the drawing apart from its place.
void place(QPainter& painter, const QString& key, const QRectF& bounds, const std::function<void(QPainter&)>& paint);

// An antialiased rounded rectangle (`radius` clamped to the shape) filled with a colour or a
// linear gradient, with an optional edge of `edgeWidth` drawn inside it.
void fillRounded(QPainter& painter, const QRectF& shape, qreal radius, const QBrush& fill,
                 const QColor& edge = Qt::transparent, qreal edgeWidth = 1);

} // namespace PaintCache
