#include "views/detail/StatusCard.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "views/kit/PlainLabel.h"
#include "views/kit/SymbolView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

StatusCard::StatusCard(QWidget* parent) : QWidget(parent) {
    const Palette& palette = Palette::current();
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 14, 14, 14);
    row->setSpacing(12);
    symbol_ = new SymbolView(QString(), 22, palette.secondary(), 26, this);
    row->addWidget(symbol_, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    title_ = new PlainLabel(QString(), Fonts::headline(), palette.text(), false, this);
    message_ = new PlainLabel(QString(), Fonts::font(Fonts::Role::callout), palette.secondary(), true, this);
    texts->addWidget(title_);
    texts->addWidget(message_);
    row->addLayout(texts, 1);
    setAccessibleName(QString());
}

void StatusCard::setCard(const StatusCardModel::Card& card) {
    if (card == card_)
        return;
    card_ = card;
    symbol_->setSymbol(card.symbol, Palette::current().tint(card.tint));
    title_->setText(card.title);
    message_->setText(card.message);
    setAccessibleName(card.title + QStringLiteral(", ") + card.message);
    update();
}

void StatusCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor tint = Palette::current().tint(card_.tint);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(box, 12, 12);
    QColor fill = tint;
    fill.setAlphaF(0.11f);
    painter.fillPath(shape, fill);
    QColor border = tint;
    border.setAlphaF(0.25f);
    painter.setPen(QPen(border, 1));
    painter.drawPath(shape);
}
