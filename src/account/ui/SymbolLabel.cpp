#include "account/ui/SymbolLabel.h"

#include "views/kit/OnAppearance.h"
#include "views/kit/SymbolView.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

SymbolLabel::SymbolLabel(const QFont& font, QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    const int glyph = QFontMetrics(font).height();
    symbol_ = new SymbolView(QString(), glyph * 0.85, QColor(), glyph, this);
    symbol_->setFixedHeight(glyph); // centred on the first line
    row->addWidget(symbol_, 0, Qt::AlignTop);
    text_ = new QLabel(this);
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true);
    text_->setFont(font);
    row->addWidget(text_, 1);
    connect(&OnAppearance::changes(), &OnAppearance::changed, this, &SymbolLabel::recolour);
}

void SymbolLabel::set(const QString& symbol, const QString& text, const Palette::Ink& ink) {
    symbolName_ = symbol;
    ink_ = ink;
    symbol_->setSymbol(symbol, ink);
    text_->setText(text);
    recolour();
}

void SymbolLabel::recolour() {
    QPalette colours = text_->palette();
    colours.setColor(QPalette::WindowText, ink_.colour());
    text_->setPalette(colours);
}

void SymbolLabel::setBox(const Palette::Ink& fill, int padding) {
    fill_ = fill;
    layout()->setContentsMargins(padding, padding, padding, padding);
    update();
}

QString SymbolLabel::text() const { return text_->text(); }

void SymbolLabel::paintEvent(QPaintEvent*) {
    const QColor fill = fill_.colour();
    if (!fill.isValid())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath box;
    box.addRoundedRect(QRectF(rect()), 10, 10);
    painter.fillPath(box, fill);
}
