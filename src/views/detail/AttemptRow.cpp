#include "views/detail/AttemptRow.h"

#include "platform/gui/Fonts.h"
#include "views/detail/AttemptRowModel.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/PlainLabel.h"
#include "views/kit/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

AttemptRow::AttemptRow(const Attempt& attempt, QWidget* parent) : QWidget(parent) {
    const auto model = AttemptRowModel::row(attempt);
    const Palette& palette = Palette::current();
    const QColor tint = palette.tint(model.tint);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(9);
    const QFont callout = Fonts::font(Fonts::Role::callout);
    // Lined up with the first line of text.
    auto* symbol = new SymbolView(model.symbol, 13, tint, 16, this);
    row->addWidget(symbol, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    auto* head = new QHBoxLayout;
    QFont medium = callout;
    medium.setWeight(QFont::Medium);
    head->addWidget(new PlainLabel(model.source, medium, palette.text(), false, this));
    head->addStretch(1);
    if (model.found) {
        QFont semibold = callout;
        semibold.setWeight(QFont::DemiBold);
        head->addWidget(new PlainLabel(*model.found, semibold, palette.text(), false, this));
    }
    texts->addLayout(head);
    if (model.url) {
        auto* url = new ElidedLabel(*model.url, Qt::ElideMiddle, 2, this);
        url->setFont(Fonts::monospaced(10.5));
        url->setColor(palette.secondary());
        url->setToolTip(*model.url);
        url->setSelectable();
        texts->addWidget(url);
    }
    if (model.line)
        texts->addWidget(new PlainLabel(*model.line, Fonts::caption(),
                                        model.tint == Palette::Tint::red ? tint : palette.secondary(), true, this));
    row->addLayout(texts, 1);
    setAccessibleName(model.accessibility);
}
