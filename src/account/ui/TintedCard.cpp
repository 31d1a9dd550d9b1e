#include "account/ui/TintedCard.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/PaintCache.h"
#include "platform/gui/Palette.h"
#include "views/kit/OnAppearance.h"
#include "views/kit/SymbolView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

TintedCard::TintedCard(std::function<QColor()> tint, const QString& symbol, const QString& title, QWidget* parent)
    : QWidget(parent), tint_(std::move(tint)) {
    row_ = new QHBoxLayout(this);
    row_->setContentsMargins(14, 14, 14, 14);
    row_->setSpacing(14);
    auto* mark = new SymbolView(symbol, 22, tint_(), 26, this);
    row_->addWidget(mark, 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addStretch(1); // centred in the row
    auto* heading = new QLabel(title, this);
    heading->setTextFormat(Qt::PlainText);
    heading->setFont(Fonts::system(13.5, QFont::DemiBold));
    texts->addWidget(heading);
    text_ = new QLabel(this);
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true); // never cut, however long
    text_->setFont(Fonts::system(12));
    // The symbol and the text take the appearance showing.
    OnAppearance::follow(this, [this, mark] {
        mark->setSymbol(mark->symbol(), tint_());
        QPalette secondary = text_->palette();
        secondary.setColor(QPalette::WindowText, Palette::current().secondary());
        text_->setPalette(secondary);
    });
    texts->addWidget(text_);
    texts->addStretch(1);
    row_->addLayout(texts, 1);
    row_->addSpacing(12);
}

void TintedCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor tint = tint_();
    QColor fill = tint;
    fill.setAlphaF(0.08f);
    QColor edge = tint; // drawn inside the edge
    edge.setAlphaF(0.25f);
    PaintCache::fillRounded(painter, QRectF(rect()), 14, fill, edge);
}
