#pragma once

#include <QPointF>
#include <QSize>
#include <QString>

#include <functional>

class QPainter;

// Antialiased shapes that many widgets repaint alike (a card's body, its shadow) are drawn
// once per look into a pixmap and copied after; the rasteriser's strokes and fills cost more
// than the copy by far. A scaled painter draws the shape itself: a scaled copy would blur.
namespace PaintCache {

// Draws `size` at `origin` (whole logical pixels) from the pixmap `key` names, having `draw`
// fill it first (antialiased, no pen, transparent ground) when the cache lacks it. `key` must
// name everything the drawing depends on; the device pixel ratio is added here.
void draw(QPainter& painter, const QString& key, QPointF origin, QSize size,
          const std::function<void(QPainter&)>& draw);

} // namespace PaintCache
