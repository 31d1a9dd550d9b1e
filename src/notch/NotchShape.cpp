#include "notch/NotchShape.h"

#include <algorithm>

double NotchShape::radius(const QSizeF& size) const {
    const double r = std::min((size.width() - 2 * top) / 2, std::min((size.height() - top) / 2, bottom));
    return std::max(0.0, r);
}

QPainterPath NotchShape::path(const QRectF& rect) const {
    const double t = top;
    const double r = radius(rect.size());
    const double minX = rect.left(), maxX = rect.right(), minY = rect.top(), maxY = rect.bottom();
    QPainterPath path;
    path.moveTo(minX, minY);
    path.quadTo(minX + t, minY, minX + t, minY + t);
    path.lineTo(minX + t, maxY - r);
    path.quadTo(minX + t, maxY, minX + t + r, maxY);
    path.lineTo(maxX - t - r, maxY);
    path.quadTo(maxX - t, maxY, maxX - t, maxY - r);
    path.lineTo(maxX - t, minY + t);
    path.quadTo(maxX - t, minY, maxX, minY);
    path.closeSubpath();
    return path;
}
