#pragma once

#include <QImage>
#include <QLinearGradient>
#include <QWidget>

#include <functional>

class QPainter;

// What the drifting rows share: a repaint every frame unless motion is reduced, the clock they
// are placed by, and a picture faded out towards two opposite edges.
namespace MarqueePaint {

void start(QWidget* widget);
// Seconds since the reference date; 0 under reduced motion, where the rows stand still.
double seconds();
// The fade over `length` along `fade`: clear, black, black, clear, evenly spaced.
QLinearGradient mask(double length, Qt::Orientation fade);
// Draws with `draw` into a layer faded out by `mask` towards the top and bottom (or the sides).
// `layer` is the widget's own, kept from frame to frame so that a frame allocates nothing.
void faded(QWidget* widget, QImage& layer, Qt::Orientation fade, const std::function<void(QPainter&)>& draw);

} // namespace MarqueePaint
