#pragma once

#include <QPainterPath>
#include <QRectF>

// The island's outline on a screen with a notch: full width along the top edge, curved ears
// reaching `top` in and down at the upper corners, the body hanging between them with lower
// corners of radius `bottom` at most.
struct NotchShape {
    double top = 0;
    double bottom = 0;

    // The lower corners' radius in `size`: never overlapping, never more than asked, and 0 where
    // the rectangle is too small for the ears (the bare formula would turn negative there).
    double radius(const QSizeF& size) const;
    QPainterPath path(const QRectF& rect) const;
};
