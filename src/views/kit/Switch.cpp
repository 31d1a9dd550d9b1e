#include "views/kit/Switch.h"

#include "platform/gui/Palette.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

namespace {

constexpr int trackWidth = 38;
constexpr int trackHeight = 22;
constexpr int gap = 12;

} // namespace

Switch::Switch(const QString& title, QWidget* parent) : QAbstractButton(parent) {
    setText(title);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize Switch::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + gap + trackWidth, std::max(trackHeight, metrics.height()) + 2};
}

QSize Switch::minimumSizeHint() const { return sizeHint(); }

void Switch::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);

    const QRectF track(width() - trackWidth - 1, (height() - trackHeight) / 2.0, trackWidth, trackHeight);
    const QRect words(0, 0, int(track.left()) - gap, height());
    painter.setPen(palette.text());
    painter.drawText(words, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, words.width()));

    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? palette.accent() : palette.primary(isDown() ? 0.26 : 0.16));
    painter.drawRoundedRect(track, trackHeight / 2.0, trackHeight / 2.0);
    const double knob = trackHeight - 4;
    const double x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    const QRectF thumb(x, track.top() + 2, knob, knob);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(thumb.translated(0, 0.6));
    painter.setBrush(Qt::white);
    painter.drawEllipse(thumb);

    if (hasFocus()) {
        QColor ring = palette.accent();
        ring.setAlphaF(0.5f);
        painter.setPen(QPen(ring, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-2, -2, 2, 2), trackHeight / 2.0 + 2, trackHeight / 2.0 + 2);
    }
}
