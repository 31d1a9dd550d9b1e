#include "views/PaintCache.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>

namespace PaintCache {

void draw(QPainter& painter, const QString& key, QPointF origin, QSize size,
          const std::function<void(QPainter&)>& draw) {
    if (painter.transform().type() > QTransform::TxTranslate) {
        // Scaled or rotated, a copy would blur; the shape is drawn as it is.
        painter.save();
        painter.translate(origin);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        draw(painter);
        painter.restore();
        return;
    }
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
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

} // namespace PaintCache
