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

QSize SymbolView::sizeHint() const { return QSize(frameWidth_, static_cast<int>(std::ceil(glyph_))); }

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QRectF(rect()), glyph_, name_, color_.colour());
}

void SymbolView::paint(QPainter& painter, const QRectF& frame, double glyph, const QString& name, const QColor& colour,
                       double degrees) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(frame.center().x() - glyph / 2, frame.center().y() - glyph / 2, glyph, glyph);
    if (degrees != 0) {
        painter.translate(box.center());
        painter.rotate(degrees);
        painter.translate(-box.center());
    }
    Symbols::paint(painter, box, name, colour);
    painter.restore();
}
