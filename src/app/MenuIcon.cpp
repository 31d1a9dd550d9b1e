#include "app/MenuIcon.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace MenuIcon {
namespace {

const QColor badgeColour(0xFF, 0x3B, 0x30);

// 72 dots per inch: font points then measure in device-independent pixels, as on the platform
// whose geometry this follows.
constexpr int dotsPerMeter = 2835;

QImage canvas(QSize pixels, qreal devicePixelRatio) {
    QImage out(pixels, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    out.setDotsPerMeterX(dotsPerMeter);
    out.setDotsPerMeterY(dotsPerMeter);
    out.setDevicePixelRatio(devicePixelRatio);
    return out;
}

void draw(QPainter& painter, const Layout& geometry, const QIcon& appIcon) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!appIcon.isNull())
        appIcon.paint(&painter, QRectF(0, 0, iconSize, iconSize).toAlignedRect());
    if (!geometry.badge)
        return;
    QPainterPath pill;
    pill.addRoundedRect(*geometry.badge, badgeRadius, badgeRadius);
    painter.fillPath(pill, badgeColour);
    painter.setPen(Qt::white);
    painter.setFont(badgeFont());
    painter.drawText(geometry.textBox, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, geometry.text);
}

} // namespace

QFont badgeFont() {
    QFont font = QGuiApplication::font();
    font.setPointSizeF(8.5);
    font.setWeight(QFont::ExtraBold);
    return font;
}

QFontMetricsF badgeMetrics() {
    const QImage device = canvas(QSize(1, 1), 1);
    return QFontMetricsF(badgeFont(), &device);
}

Layout layout(int count, const QFontMetricsF& metrics) {
    Layout out;
    out.image = QSizeF(iconSize, iconSize);
    if (count < 1)
        return out;
    out.text = count < 10 ? QString::number(count) : QStringLiteral("9+");
    const qreal tw = metrics.horizontalAdvance(out.text);
    const qreal th = metrics.height();
    const qreal w = std::max(tw + badgeRoom, badgeMinWidth);
    out.image = QSizeF(iconSize + badgeShare * w, iconSize);
    out.badge = QRectF(out.image.width() - w, 0, w, badgeHeight);
    // Centred, then lifted by half a point (upwards is towards y = 0 here).
    out.textBox = QRectF(out.badge->center().x() - tw * 0.5, out.badge->center().y() - th * 0.5 - textLift, tw, th);
    return out;
}

QImage image(int count, const QIcon& appIcon, qreal devicePixelRatio) {
    const Layout geometry = layout(count, badgeMetrics());
    const QSize pixels(int(std::ceil(geometry.image.width() * devicePixelRatio)),
                       int(std::ceil(geometry.image.height() * devicePixelRatio)));
    QImage out = canvas(pixels, devicePixelRatio);
    QPainter painter(&out);
    draw(painter, geometry, appIcon);
    return out;
}

QImage square(int count, const QIcon& appIcon, int side) {
    const Layout geometry = layout(count, badgeMetrics());
    QImage out = canvas(QSize(side, side), 1);
    QPainter painter(&out);
    const qreal scale = side / std::max(geometry.image.width(), geometry.image.height());
    painter.translate((side - geometry.image.width() * scale) / 2, (side - geometry.image.height() * scale) / 2);
    painter.scale(scale, scale);
    draw(painter, geometry, appIcon);
    return out;
}

} // namespace MenuIcon
