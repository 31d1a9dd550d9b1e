#include "onboarding/ui/IconWall.h"

#include "onboarding/Marquee.h"
#include "onboarding/ui/MarqueePaint.h"

#include <QPainter>
#include <QPainterPath>

IconWall::IconWall(QWidget* parent) : QWidget(parent) {
    setFixedHeight(300);
    MarqueePaint::start(this);
}

void IconWall::setIcons(QList<QPixmap> icons) {
    icons_ = std::move(icons);
    update();
}

void IconWall::paintEvent(QPaintEvent*) {
    if (icons_.isEmpty())
        return;
    const double seconds = MarqueePaint::seconds();
    MarqueePaint::faded(this, Qt::Vertical, 0.3, [this, seconds](QPainter& painter) {
        painter.translate(width() / 2.0, height() / 2.0);
        painter.rotate(-10);
        double total = 0;
        for (int row = 0; row < Marquee::wallRows; ++row)
            total += Marquee::wallIconSize(row) + (row ? Marquee::wallSpacing : 0);
        double y = -total / 2;
        for (int row = 0; row < Marquee::wallRows; ++row) {
            const int size = Marquee::wallIconSize(row);
            const QList<int> list = Marquee::wallRow(row, int(icons_.size()));
            const double span = double(size + Marquee::wallSpacing) * list.size();
            double x = -450 + Marquee::wallOffset(row, span, seconds);
            for (int copy = 0; copy < 3; ++copy) {
                for (const int index : list) {
                    const QRectF cell(x, y, size, size);
                    QPainterPath shadow;
                    shadow.addRoundedRect(cell.translated(0, 3), size * 0.22, size * 0.22);
                    painter.fillPath(shadow, QColor(0, 0, 0, 60));
                    painter.drawPixmap(cell.toRect(), icons_[index]);
                    x += size + Marquee::wallSpacing;
                }
            }
            y += size + Marquee::wallSpacing;
        }
    });
}
