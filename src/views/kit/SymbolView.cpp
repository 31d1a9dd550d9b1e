#include "views/kit/SymbolView.h"

#include "platform/gui/Symbols.h"

#include <QPainter>

#include <cmath>

SymbolView::SymbolView(QString name, double glyph, Palette::Ink color, int frameWidth, QWidget* parent)
    : QWidget(parent), name_(std::move(name)), glyph_(glyph), color_(color), frameWidth_(frameWidth) {
    setFixedSize(sizeHint());
}

void SymbolView::setSymbol(const QString& name, const Palette::Ink& color) {
    name_ = name;
    color_ = color;
    update();
}

void SymbolView::setRotation(double degrees) {
    rotation_ = degrees;
    update();
}

QSize SymbolView::sizeHint() const {
    return QSize(frameWidth_, static_cast<int>(std::ceil(glyph_)));
}

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(width() / 2.0 - glyph_ / 2, height() / 2.0 - glyph_ / 2, glyph_, glyph_);
    if (rotation_ != 0) {
        painter.translate(box.center());
        painter.rotate(rotation_);
        painter.translate(-box.center());
    }
    Symbols::paint(painter, box, name_, color_.colour());
}
