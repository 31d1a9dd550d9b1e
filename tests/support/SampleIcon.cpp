#include "SampleIcon.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainterPath>

namespace SampleIcon {

QByteArray icns(const QColor& colour, const std::function<void(QPainter&)>& glyph) {
    QImage image(256, 256, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(2.56, 2.56);
        QLinearGradient gradient(0, 8, 0, 92);
        gradient.setColorAt(0, colour.lighter(135));
        gradient.setColorAt(1, colour);
        QPainterPath square;
        square.addRoundedRect(QRectF(8, 8, 84, 84), 19, 19);
        painter.fillPath(square, gradient);
        painter.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::white);
        glyph(painter);
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "icns");
    return writer.write(image) ? buffer.data() : QByteArray();
}

} // namespace SampleIcon
