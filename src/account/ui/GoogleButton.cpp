#include "account/ui/GoogleButton.h"

#include "account/ui/GoogleMark.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
constexpr double mark = 18;
constexpr double gap = 10;
} // namespace

GoogleButton::GoogleButton(QWidget* parent) : QAbstractButton(parent) {
    setFont(Fonts::system(13.5, QFont::DemiBold));
    setMinimumHeight(36);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void GoogleButton::setTitle(const QString& title) {
    setText(title);
    setAccessibleName(title);
    updateGeometry();
}

void GoogleButton::setFaded(bool faded) {
    faded_ = faded;
    update();
}

QSize GoogleButton::sizeHint() const {
    const double content = (GoogleMark::image() ? mark + gap : 0) + QFontMetricsF(font()).horizontalAdvance(text());
    return QSize(int(std::ceil(content)) + 24, 36);
}

void GoogleButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(faded_ ? 0.5 : 1);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(box, 10, 10);
    painter.fillPath(shape, isDown() ? QColor(235, 235, 235) : QColor(Qt::white));
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.12f), 1));
    painter.drawPath(shape);
    if (hasFocus()) {
        QColor ring = Palette::current().accent();
        ring.setAlphaF(0.5f);
        painter.setPen(QPen(ring, 2));
        painter.drawPath(shape);
    }

    // The logo and the title, centred together; without the logo only the title.
    const double textWidth = QFontMetricsF(font()).horizontalAdvance(text());
    const bool withMark = GoogleMark::image() != nullptr;
    const double content = (withMark ? mark + gap : 0) + textWidth;
    double x = (width() - content) / 2;
    if (withMark) {
        GoogleMark::paint(painter, QRectF(x, (height() - mark) / 2, mark, mark));
        x += mark + gap;
    }
    painter.setPen(QColor::fromRgbF(0.2f, 0.2f, 0.2f));
    painter.drawText(QRectF(x, 0, textWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}
