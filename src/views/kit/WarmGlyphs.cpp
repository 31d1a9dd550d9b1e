#include "views/kit/WarmGlyphs.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace WarmGlyphs {

void later(QWidget* owner, QList<QFont> fonts, QString text) {
    QTimer::singleShot(0, owner, [owner, fonts = std::move(fonts), text = std::move(text)] {
        const qreal ratio = owner->devicePixelRatioF();
        for (const QFont& font : fonts) {
            const QSizeF size = QFontMetricsF(font).size(Qt::TextSingleLine, text) + QSizeF(2, 2);
            QImage scratch((size * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
            scratch.setDevicePixelRatio(ratio);
            scratch.fill(Qt::transparent);
            QPainter painter(&scratch);
            painter.setFont(font);
            painter.setPen(Qt::white);
            painter.drawText(QRectF(QPointF(0, 0), size), Qt::AlignLeft | Qt::AlignVCenter, text);
        }
    });
}

} // namespace WarmGlyphs
