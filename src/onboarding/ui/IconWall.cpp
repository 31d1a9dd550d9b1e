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

constexpr double tilt = -10;

// `tile` turned by the tilt about its centre, in an image just large enough.
QImage turnedTile(const QPixmap& tile, double ratio) {
    const QSizeF size = QSizeF(tile.size()) / ratio;
    const QRectF bounds =
        QTransform().rotate(tilt).mapRect(QRectF(QPointF(-size.width() / 2, -size.height() / 2), size));
    QImage made((bounds.size() * ratio).toSize() + QSize(2, 2), QImage::Format_ARGB32_Premultiplied);
    made.setDevicePixelRatio(ratio);
    made.fill(Qt::transparent);
    QPainter painter(&made);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(QSizeF(made.size()).width() / ratio / 2, QSizeF(made.size()).height() / ratio / 2);
    painter.rotate(tilt);
    painter.drawPixmap(QPointF(-size.width() / 2, -size.height() / 2), tile);
    return made;
}

} // namespace

void IconWall::setIcons(QList<QPixmap> icons) {
    icons_ = std::move(icons);
    turned_.clear();
    rows_.clear();
    ratio_ = devicePixelRatioF();
    const QTransform turn = QTransform().rotate(tilt);
    for (int row = 0; row < Marquee::wallRows && !icons_.isEmpty(); ++row) {
        const int size = Marquee::wallIconSize(row);
        if (!turned_.contains(size)) {
            QList<QImage> tiles;
            for (const QPixmap& icon : std::as_const(icons_))
                tiles << turnedTile(tile(icon, size, ratio_), ratio_);
            turned_.insert(size, tiles);
        }
        const QList<int> list = Marquee::wallRow(row, int(icons_.size()));
        const int step = size + Marquee::wallSpacing;
        Row made;
        made.size = size;
        made.span = double(step) * list.size();
        for (int copy = 0, x = 0; copy < 3; ++copy)
            for (const int index : list) {
                // The tile's centre, from the row's origin, turned, in device pixels; its
                // image's top left rounded to a whole pixel once, here.
                const QImage& image = turned_[size][index];
                const QPointF centre = turn.map(QPointF(x + size / 2.0, size / 2.0)) * ratio_;
                made.tiles << index;
                made.offsets << (centre - QPointF(image.width(), image.height()) / 2).toPoint();
                x += step;
            }
        rows_ << made;
    }
    update();
}

void IconWall::paintEvent(QPaintEvent*) {
    if (rows_.isEmpty())
        return;
    const double seconds = MarqueePaint::seconds();
    MarqueePaint::faded(this, layer_, Qt::Vertical, [this, seconds](QPainter& painter) {
        // Placed in device pixels, so every tile is a plain copy onto the layer.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        const QTransform turn = QTransform().rotate(tilt);
        const QPointF middle(width() / 2.0, height() / 2.0);
        const QRect visible(QPoint(0, 0), size() * ratio_);
        double total = 0;
        for (int row = 0; row < Marquee::wallRows; ++row)
            total += Marquee::wallIconSize(row) + (row ? Marquee::wallSpacing : 0);
        double y = -total / 2;
        for (const Row& row : std::as_const(rows_)) {
            const double x = -450 + Marquee::wallOffset(int(&row - rows_.data()), row.span, seconds);
            const QPoint origin = ((middle + turn.map(QPointF(x, y))) * ratio_).toPoint();
            const QList<QImage>& images = turned_[row.size];
            for (qsizetype i = 0; i < row.tiles.size(); ++i) {
                const QImage& image = images[row.tiles[i]];
                const QPoint at = origin + row.offsets[i];
                if (!visible.intersects(QRect(at, image.size())))
                    continue;
                painter.drawImage(QPointF(at) / ratio_, image);
            }
            y += row.size + Marquee::wallSpacing;
        }
    });
}
