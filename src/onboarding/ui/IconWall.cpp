#include "onboarding/ui/IconWall.h"

#include "onboarding/Marquee.h"
#include "onboarding/ui/MarqueePaint.h"

#include <QPainter>
#include <QPainterPath>

IconWall::IconWall(QWidget* parent) : QWidget(parent) {
    setFixedHeight(300);
    MarqueePaint::start(this);
}

namespace {

// Room below and around a tile for its shadow.
constexpr int shadowRoom = 6;

QPixmap tile(const QPixmap& icon, int size, double ratio) {
    QPixmap made(QSize(size + 2 * shadowRoom, size + 2 * shadowRoom) * ratio);
    made.setDevicePixelRatio(ratio);
    made.fill(Qt::transparent);
    QPainter painter(&made);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF cell(shadowRoom, shadowRoom, size, size);
    for (int i = 6; i > 0; i -= 2) {
        QPainterPath shadow;
        shadow.addRoundedRect(cell.translated(0, 3).adjusted(-i / 2.0, -i / 2.0, i / 2.0, i / 2.0), size * 0.22,
                              size * 0.22);
        painter.fillPath(shadow, QColor(0, 0, 0, 34));
    }
    painter.drawPixmap(cell, icon, QRectF(icon.rect()));
    return made;
}

} // namespace

void IconWall::setIcons(QList<QPixmap> icons) {
    icons_ = std::move(icons);
    strips_.clear();
    spans_.clear();
    const double ratio = devicePixelRatioF();
    for (int row = 0; row < Marquee::wallRows && !icons_.isEmpty(); ++row) {
        const int size = Marquee::wallIconSize(row);
        const QList<int> list = Marquee::wallRow(row, int(icons_.size()));
        QList<QPixmap> tiles;
        for (const QPixmap& icon : std::as_const(icons_))
            tiles << tile(icon, size, ratio);
        const int step = size + Marquee::wallSpacing;
        QPixmap strip(QSize(3 * step * int(list.size()) + 2 * shadowRoom, size + 2 * shadowRoom) * ratio);
        strip.setDevicePixelRatio(ratio);
        strip.fill(Qt::transparent);
        QPainter painter(&strip);
        for (int copy = 0, x = 0; copy < 3; ++copy)
            for (const int index : list) {
                painter.drawPixmap(QPointF(x, 0), tiles[index]);
                x += step;
            }
        strips_ << strip;
        spans_ << double(step) * list.size();
    }
    update();
}

void IconWall::paintEvent(QPaintEvent*) {
    if (strips_.isEmpty())
        return;
    const double seconds = MarqueePaint::seconds();
    MarqueePaint::faded(this, layer_, Qt::Vertical, 0.3, [this, seconds](QPainter& painter) {
        painter.translate(width() / 2.0, height() / 2.0);
        painter.rotate(-10);
        double total = 0;
        for (int row = 0; row < Marquee::wallRows; ++row)
            total += Marquee::wallIconSize(row) + (row ? Marquee::wallSpacing : 0);
        double y = -total / 2;
        for (int row = 0; row < Marquee::wallRows; ++row) {
            const int size = Marquee::wallIconSize(row);
            const double x = -450 + Marquee::wallOffset(row, spans_[row], seconds);
            painter.drawPixmap(QPointF(x - shadowRoom, y - shadowRoom), strips_[row]);
            y += size + Marquee::wallSpacing;
        }
    });
}
