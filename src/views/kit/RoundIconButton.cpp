#include "views/kit/RoundIconButton.h"

#include "platform/gui/PaintCache.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "views/kit/PressMotion.h"

#include <QPainter>

RoundIconButton::RoundIconButton(QString symbol, int side, double glyph, QWidget* parent)
    : QAbstractButton(parent), symbol_(std::move(symbol)), side_(side), glyph_(glyph) {
    setFixedSize(side, side);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    pressMotion_ = PressMotion::attach(this, &press_);
}

void RoundIconButton::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    PressMotion::shrink(painter, box, 0.06, press_);
    PaintCache::fillRounded(painter, box, std::min(box.width(), box.height()) / 2,
                            palette.primary(0.07 + 0.07 * press_));
    if (hasFocus()) {
        QColor ring = palette.accent();
        ring.setAlphaF(0.5f);
        painter.setPen(QPen(ring, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(box.adjusted(1, 1, -1, -1));
    }
    const QRectF glyph(box.center().x() - glyph_ / 2, box.center().y() - glyph_ / 2, glyph_, glyph_);
    Symbols::paint(painter, glyph, symbol_, isEnabled() ? palette.text() : palette.tertiary());
}
