#include "views/kit/PillButton.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/PaintCache.h"
#include "platform/gui/Palette.h"
#include "views/kit/FocusRing.h"
#include "views/kit/PressMotion.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
constexpr double padX = 12, padY = 4;
}

PillButton::PillButton(const QString& title, bool prominent, QWidget* parent)
    : QAbstractButton(parent), prominent_(prominent) {
    setText(title);
    setFont(Fonts::system(11.5, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
    // The press has no reduced variant.
    pressMotion_ = PressMotion::attach(this, &press_);
}

QSize PillButton::sizeHint() const {
    const QFontMetricsF metrics(font());
    return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(text()) + padX * 2)),
                 static_cast<int>(std::ceil(metrics.height() + padY * 2)));
}

void PillButton::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF shape(QPointF(0, 0), QSizeF(sizeHint()));
    shape.moveCenter(QRectF(rect()).center());
    PressMotion::shrink(painter, shape, 0.05, press_);
    painter.setOpacity(isEnabled() ? 1 - 0.15 * press_ : 0.45);
    QPainterPath capsule;
    capsule.addRoundedRect(shape, shape.height() / 2, shape.height() / 2);
    if (prominent_) {
        PaintCache::fillRounded(painter, shape, shape.height() / 2, palette.accentGradient(shape));
        painter.setPen(Qt::white);
    } else {
        QColor fill = palette.accent();
        fill.setAlphaF(0.14f);
        PaintCache::fillRounded(painter, shape, shape.height() / 2, fill);
        painter.setPen(palette.accent());
    }
    painter.drawText(shape, Qt::AlignCenter, text());
    if (hasFocus())
        FocusRing::paint(painter, capsule, palette);
}
