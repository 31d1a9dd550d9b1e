#include "views/kit/Tag.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/PaintCache.h"
#include "platform/gui/Symbols.h"

#include <QPainter>

namespace {
constexpr double padX = 8, padY = 3.5, gap = 4;

// Made once and kept for the process: a font made afresh per row is looked up afresh.
const QFont& tagFont() {
    static const QFont* font = new QFont(Fonts::system(11, QFont::Medium));
    return *font;
}
} // namespace

Tag::Tag(QString title, QString symbol, QColor tint, QWidget* parent)
    : QWidget(parent), title_(std::move(title)), symbol_(std::move(symbol)), tint_(tint) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFont(tagFont());
}

QSize Tag::extent(const QString& title) {
    const QFontMetricsF metrics(tagFont());
    const double glyph = metrics.height() * 0.85;
    const double width = padX * 2 + glyph + gap + metrics.horizontalAdvance(title);
    return QSize(static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(metrics.height() + padY * 2)));
}

void Tag::paint(QPainter& painter, const QRectF& area, const QString& title, const QString& symbol,
                const QColor& tint) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QFont& font = tagFont();
    painter.setFont(font);
    QRectF shape(QPointF(0, 0), QSizeF(extent(title)));
    shape.moveCenter(area.center());
    shape.moveRight(area.right());
    QColor fill = tint;
    fill.setAlphaF(static_cast<float>(tint.alphaF() * 0.13));
    PaintCache::fillRounded(painter, shape, shape.height() / 2, fill);
    const QFontMetricsF metrics(font);
    const double glyph = metrics.height() * 0.85;
    const QRectF symbolRect(shape.left() + padX, shape.center().y() - glyph / 2, glyph, glyph);
    Symbols::paint(painter, symbolRect, symbol, tint);
    painter.setPen(tint);
    painter.drawText(QRectF(symbolRect.right() + gap, shape.top(), shape.width(), shape.height()),
                     Qt::AlignVCenter | Qt::AlignLeft, title);
    painter.restore();
}

void Tag::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QRectF(rect()), title_, symbol_, tint_);
}
