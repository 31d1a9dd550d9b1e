#include "platform/gui/PaintCache.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPixmapCache>

#include <algorithm>
#include <cmath>

namespace PaintCache {

namespace {
bool copies(const QPainter& painter) { return painter.transform().type() <= QTransform::TxTranslate; }

qreal ratioOf(const QPainter& painter) { return painter.device() ? painter.device()->devicePixelRatioF() : 1.0; }
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
    painter.drawPixmap(origin, pixmap);
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

void fillRounded(QPainter& painter, const QRectF& shape, qreal radius, const QColor& colour) {
    const qreal r = std::clamp<qreal>(radius, 0, std::min(shape.width(), shape.height()) / 2);
    place(painter, QStringLiteral("rounded:%1,%2").arg(r).arg(colour.rgba(), 0, 16), shape, [&](QPainter& into) {
        into.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(shape, r, r);
        into.fillPath(path, colour);
    });
}

} // namespace PaintCache
