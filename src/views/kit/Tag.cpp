#include "views/kit/Tag.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/PaintCache.h"
#include "platform/gui/Symbols.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr double padX = 8, padY = 3.5, gap = 4;

QFont tagFont() {
    return Fonts::system(11, QFont::Medium);
}
} // namespace

Tag::Tag(QString title, QString symbol, QColor tint, QWidget* parent)
    : QWidget(parent), title_(std::move(title)), symbol_(std::move(symbol)), tint_(tint) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFont(tagFont());
}

QSize Tag::sizeHint() const {
    const QFontMetricsF metrics(font());
    const double glyph = metrics.height() * 0.85;
    const double width = padX * 2 + glyph + gap + metrics.horizontalAdvance(title_);
    return QSize(static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(metrics.height() + padY * 2)));
}

void Tag::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(QPointF(0, 0), QSizeF(sizeHint()));
    QRectF shape = box;
    shape.moveCenter(QRectF(rect()).center());
    shape.moveRight(width());
    QColor fill = tint_;
    fill.setAlphaF(static_cast<float>(tint_.alphaF() * 0.13));
    PaintCache::fillRounded(painter, shape, shape.height() / 2, fill);
    const QFontMetricsF metrics(font());
    const double glyph = metrics.height() * 0.85;
    const QRectF symbolRect(shape.left() + padX, shape.center().y() - glyph / 2, glyph, glyph);
    Symbols::paint(painter, symbolRect, symbol_, tint_);
    painter.setPen(tint_);
    painter.drawText(QRectF(symbolRect.right() + gap, shape.top(), shape.width(), shape.height()),
                     Qt::AlignVCenter | Qt::AlignLeft, title_);
}
