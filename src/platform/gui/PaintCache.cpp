#include "platform/gui/PaintCache.h"

#include <QLinearGradient>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPixmapCache>
#include <QRegion>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <optional>

namespace PaintCache {

namespace {
bool copies(const QPainter& painter) { return painter.transform().type() <= QTransform::TxTranslate; }

qreal ratioOf(const QPainter& painter) { return painter.device() ? painter.device()->devicePixelRatioF() : 1.0; }

// Copies `pixmap` to `origin`. Clipped to a region of several rectangles (a widget's repaint of
// a few changed parts), the raster engine would blend the copy span by span and hand a tall one
// to its threads, waiting for them; a copy per rectangle is a plain blit on this thread.
void copy(QPainter& painter, QPointF origin, const QPixmap& pixmap) {
    const QPaintEngine* engine = painter.paintEngine();
    const QRegion region = engine && !painter.hasClipping() ? engine->systemClip() : QRegion();
    if (region.rectCount() < 2) {
        painter.drawPixmap(origin, pixmap);
        return;
    }
    const QTransform toDevice = painter.deviceTransform();
    const QRect covered = toDevice.mapRect(QRectF(origin, pixmap.deviceIndependentSize())).toAlignedRect();
    const QTransform fromDevice = toDevice.inverted();
    for (const QRect& part : region) {
        if (!part.intersects(covered))
            continue;
        painter.save();
        painter.setClipRect(fromDevice.mapRect(QRectF(part)));
        painter.drawPixmap(origin, pixmap);
        painter.restore();
    }
}

// What a fill depends on, relative to the shape: a colour, or a linear gradient's stops and ends.
// Other brushes are not cached.
std::optional<QString> brushKey(const QBrush& brush, const QRectF& shape) {
    if (brush.style() == Qt::SolidPattern)
        return QString::number(brush.color().rgba(), 16);
    const auto* linear =
        brush.style() == Qt::LinearGradientPattern ? static_cast<const QLinearGradient*>(brush.gradient()) : nullptr;
    if (!linear || linear->coordinateMode() != QGradient::LogicalMode)
        return std::nullopt;
    const QPointF start = linear->start() - shape.topLeft(), end = linear->finalStop() - shape.topLeft();
    QString key = QStringLiteral("linear %1 %2 %3 %4").arg(start.x()).arg(start.y()).arg(end.x()).arg(end.y());
    for (const auto& [at, colour] : linear->stops())
        key += QStringLiteral(" %1:%2").arg(at).arg(colour.rgba(), 0, 16);
    return key;
}
} // namespace

void draw(QPainter& painter, const QString& key, QPointF origin, QSize size,
          const std::function<void(QPainter&)>& draw) {
    if (!copies(painter)) {
        painter.save();
        painter.translate(origin);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        draw(painter);
        painter.restore();
        return;
    }
    const qreal ratio = ratioOf(painter);
    const QString named = key + QStringLiteral("@%1").arg(ratio);
    QPixmap pixmap;
    if (!QPixmapCache::find(named, &pixmap)) {
        pixmap = QPixmap(size * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter into(&pixmap);
        into.setRenderHint(QPainter::Antialiasing);
        into.setPen(Qt::NoPen);
        draw(into);
        into.end();
        QPixmapCache::insert(named, pixmap);
    }
    copy(painter, origin, pixmap);
}

void place(QPainter& painter, const QString& key, const QRectF& bounds, const std::function<void(QPainter&)>& paint) {
    if (!copies(painter) || bounds.isEmpty()) {
        painter.save();
        paint(painter);
        painter.restore();
        return;
    }
    // The copy lands on whole device pixels; the drawing inside it keeps the fraction.
    const qreal ratio = ratioOf(painter);
    const QPointF device = painter.transform().map(bounds.topLeft()) * ratio;
    const QPointF phase = (device - QPointF(std::floor(device.x()), std::floor(device.y()))) / ratio;
    const QPointF origin = bounds.topLeft() - phase;
    const QSize size(static_cast<int>(std::ceil(bounds.width() + phase.x())),
                     static_cast<int>(std::ceil(bounds.height() + phase.y())));
    const QString named = key + QStringLiteral("|%1x%2+%3+%4")
                                    .arg(bounds.width())
                                    .arg(bounds.height())
                                    .arg(qRound(phase.x() * 64))
                                    .arg(qRound(phase.y() * 64));
    draw(painter, named, origin, size, [&](QPainter& into) {
        into.translate(-origin);
        paint(into);
    });
}

void fillRounded(QPainter& painter, const QRectF& shape, qreal radius, const QBrush& fill, const QColor& edge,
                 qreal edgeWidth) {
    const qreal r = std::clamp<qreal>(radius, 0, std::min(shape.width(), shape.height()) / 2);
    auto drawing = [&](QPainter& into) {
        into.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(shape, r, r);
        into.fillPath(path, fill);
        if (edge.alpha() > 0) {
            // The edge lies inside the shape.
            const qreal inset = edgeWidth / 2;
            const qreal inner = std::max<qreal>(0, r - inset);
            into.setPen(QPen(edge, edgeWidth));
            into.setBrush(Qt::NoBrush);
            into.drawRoundedRect(shape.adjusted(inset, inset, -inset, -inset), inner, inner);
        }
    };
    const auto look = brushKey(fill, shape);
    if (!look) {
        painter.save();
        drawing(painter);
        painter.restore();
        return;
    }
    place(painter, QStringLiteral("rounded:%1,%2,%3,%4").arg(r).arg(*look).arg(edge.rgba(), 0, 16).arg(edgeWidth),
          shape, drawing);
}

} // namespace PaintCache
