#include "onboarding/ui/ChipRow.h"

#include "onboarding/Marquee.h"
#include "onboarding/ui/MarqueePaint.h"
#include "onboarding/ui/WelcomeColors.h"
#include "platform/gui/Fonts.h"

#include <QPainter>
#include <QPainterPath>

ChipRow::ChipRow(QStringList items, double speed, bool reverse, QWidget* parent)
    : QWidget(parent), items_(std::move(items)), speed_(speed), reverse_(reverse) {
    setFixedHeight(35);
    MarqueePaint::start(this);
}

QPixmap ChipRow::strip() const {
    const double ratio = devicePixelRatioF();
    if (!strip_.isNull() && strip_.devicePixelRatio() == ratio)
        return strip_;
    const int copies = int(3 * items_.size());
    QPixmap made(QSize(copies * Marquee::chipStep, 35) * ratio);
    made.setDevicePixelRatio(ratio);
    made.fill(Qt::transparent);
    QPainter painter(&made);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFont font = Fonts::system(12.5, QFont::DemiBold);
    for (int i = 0; i < copies; ++i) {
        // Every chip is as wide as the others; a text this font draws wider than its room is
        // drawn smaller to fit, never cut at both ends.
        const QString& text = items_[i % items_.size()];
        QFont fitted = font;
        const double room = 160 - 2 * 14, wide = QFontMetricsF(font).horizontalAdvance(text);
        if (wide > room)
            fitted.setPointSizeF(font.pointSizeF() * room / wide);
        painter.setFont(fitted);
        const QRectF chip(i * Marquee::chipStep, 1, 160, 33);
        QPainterPath capsule;
        capsule.addRoundedRect(chip.adjusted(0.5, 0.5, -0.5, -0.5), 16, 16);
        painter.fillPath(capsule, WelcomeColors::white(0.07));
        painter.setPen(QPen(WelcomeColors::white(0.14), 1));
        painter.drawPath(capsule);
        painter.setPen(Qt::white);
        painter.drawText(chip.adjusted(14, 0, -14, 0), Qt::AlignCenter, text);
    }
    strip_ = made;
    return strip_;
}

void ChipRow::paintEvent(QPaintEvent*) {
    if (items_.isEmpty())
        return;
    const double seconds = MarqueePaint::seconds();
    const QPixmap chips = strip();
    MarqueePaint::faded(this, layer_, Qt::Horizontal, [this, seconds, &chips](QPainter& painter) {
        const double x = (width() - 780) / 2.0 + Marquee::chipOffset(int(items_.size()), speed_, reverse_, seconds);
        painter.drawPixmap(QPointF(x, (height() - 35) / 2.0), chips);
    });
}
