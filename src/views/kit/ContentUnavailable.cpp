#include "views/kit/ContentUnavailable.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "views/kit/PlainLabel.h"
#include "views/kit/SymbolView.h"

#include <QVBoxLayout>

ContentUnavailable::ContentUnavailable(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setSpacing(8);
    symbol_ = new SymbolView(QString(), 40, Palette::Tint::secondary, 48, this);
    title_ = new PlainLabel(QString(), Fonts::system(17, QFont::Bold), Palette::Tint::primary, false, this);
    description_ = new PlainLabel(QString(), Fonts::system(13), Palette::Tint::secondary, true, this);
    title_->setAlignment(Qt::AlignCenter);
    description_->setAlignment(Qt::AlignCenter);
    column->addStretch(1);
    column->addWidget(symbol_, 0, Qt::AlignHCenter);
    column->addSpacing(4);
    column->addWidget(title_);
    column->addWidget(description_);
    column->addStretch(1);
}

void ContentUnavailable::set(const QString& symbol, const QString& title, const QString& description) {
    symbol_->setSymbol(symbol, Palette::Tint::secondary);
    title_->setText(title);
    description_->setText(description);
    setAccessibleName(title);
}

QString ContentUnavailable::title() const { return title_->text(); }
QString ContentUnavailable::description() const { return description_->text(); }
