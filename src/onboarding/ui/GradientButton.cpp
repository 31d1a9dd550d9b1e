#include "onboarding/ui/GradientButton.h"

#include "onboarding/ui/WelcomeColors.h"
#include "platform/gui/Fonts.h"
#include "views/kit/PressMotion.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
// Room around the capsule for its shadow.
constexpr int shadowRoom = 14;
} // namespace

GradientButton::GradientButton(const QString& title, QWidget* parent) : QAbstractButton(parent) {
    setText(title);
    setFont(Fonts::system(14.5, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    PressMotion::attach(this, &press_);
}

QSize GradientButton::sizeHint() const {
    const double width = std::max(220.0, QFontMetricsF(font()).horizontalAdvance(text()) + 60);
    return QSize(int(std::ceil(width)) + 2 * shadowRoom, 46 + 2 * shadowRoom);
}

void GradientButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF shape = QRectF(rect()).adjusted(shadowRoom, shadowRoom, -shadowRoom, -shadowRoom);
    PressMotion::shrink(painter, shape, 0.03, press_);
    const double radius = shape.height() / 2;
    // The shadow: blue at 0.45, 14 soft, 5 down, drawn as fading rings.
    for (int i = 14; i > 0; i -= 2) {
        QColor glow = WelcomeColors::blue();
        glow.setAlphaF(float(0.45 * 0.12 * (1 - i / 15.0)));
        QPainterPath ring;
        ring.addRoundedRect(shape.translated(0, 5).adjusted(-i / 2.0, -i / 2.0, i / 2.0, i / 2.0), radius + i / 2.0,
                            radius + i / 2.0);
        painter.fillPath(ring, glow);
    }
    QLinearGradient fill(shape.topLeft(), shape.topRight());
    fill.setColorAt(0, WelcomeColors::blue());
    fill.setColorAt(1, WelcomeColors::teal());
    QPainterPath capsule;
    capsule.addRoundedRect(shape, radius, radius);
    painter.fillPath(capsule, fill);
    painter.setPen(Qt::white);
    painter.drawText(shape, Qt::AlignCenter, text());
}
