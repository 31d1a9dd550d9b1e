#pragma once

#include <QPainterPath>
#include <QRectF>
#include <QSizeF>

// The curves of the main window folding into the island and growing back out of it: a 0.56 s
// spring on the frame and smoothstep fades. Pure, so an overlay samples them per frame.
namespace IslandMorph {

inline constexpr double duration = 0.56;

// How the shape's top corners and lower corners are drawn.
struct Outline {
    double ear = 0;    // the body's inset from the left and right edges
    double top = 0;    // where the top edge starts and ends, from the left and right edges
    double bottom = 0; // the lower corners' radius
    bool operator==(const Outline&) const = default;
};

Outline windowOutline();
Outline expandedIsland(bool notched);
Outline foldedIsland(bool notched);

// The folded island's rectangle (top-left global coordinates) and whether it hangs from a notch:
// around the notch with its ears, else a 150 × 34 pill 8 points below the work area's top.
struct Folded {
    QRectF rect;
    Outline outline;
    bool notched = false;
};
Folded folded(const QRectF& screenFrame, const QRectF& workArea, const QSizeF& notch);

// Spring progress after `seconds` (response 0.4 s, damping 0.78); not clamped, it overshoots.
double progress(double seconds);
double smoothstep(double x);

// The shape's closed path in top-left coordinates. A top inset beyond the ear curves the top
// corners inwards (a window's); an ear beyond the top inset flares them out into the screen's top
// edge (the notch's ears). Corners never overlap and never turn inside out on a small shape.
QPainterPath outline(const QRectF& rect, const Outline& outline);

// What one frame at normalised time t in [0, 1] shows.
struct Frame {
    QRectF rect;
    Outline outline;
    double picture = 1;
    double border = 1;
    double shadow = 0.45;
    double overlay = 1; // the overlay window's own opacity
    double island = 1;  // the island panel's opacity, when growing out of it
};
Frame frame(const QRectF& from, const QRectF& to, const Outline& a, const Outline& b, bool closing, double t);

} // namespace IslandMorph
