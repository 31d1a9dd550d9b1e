#include "library/ui/LibraryPrompt.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "views/kit/ButtonStyle.h"
#include "views/kit/OnAppearance.h"
#include "views/kit/PlainLabel.h"
#include "views/kit/SymbolView.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int cardWidth = 500;

// A symbol before wrapping text, the symbol on the text's first line.
QWidget* symbolLine(const QString& symbol, const QString& text, const QFont& font, const Palette::Ink& color,
                    double glyph, QWidget* parent) {
    auto* line = new QWidget(parent);
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(new SymbolView(symbol, glyph, color, int(glyph) + 4, line), 0, Qt::AlignTop);
    auto* label = new PlainLabel(text, font, color, true, line);
    label->setAccessibleName(text);
    row->addWidget(label, 1);
    return line;
}

} // namespace

LibraryPrompt::LibraryPrompt(Store& store, QWidget* parent)
    : ModalPrompt(cardWidth, Palette::Material::regular, parent), model_(store) {
    cardLayout_ = card()->column();
    cardLayout_->setSpacing(14);

    if (model_.kind() == LibraryPromptModel::Kind::consent)
        buildConsent();
    else if (model_.kind() == LibraryPromptModel::Kind::removal)
        buildRemoval();

    // Escape is the cancel action of either question; a click on the backdrop does nothing.
    onKeys({Qt::Key_Escape}, [this] { choose(false); });
    setFocusHome(cancel_);
    placeCard();
}

void LibraryPrompt::buildConsent() {
    const ConsentFacts& sheet = *model_.consent();
    QFont titleFont = Fonts::font(Fonts::Role::title3);
    titleFont.setWeight(QFont::DemiBold);
    cardLayout_->addWidget(
        symbolLine(QStringLiteral("shippingbox.fill"), sheet.title, titleFont, Palette::Tint::primary, 18, card()));
    const QFont callout = Fonts::font(Fonts::Role::callout);
    cardLayout_->addWidget(new PlainLabel(sheet.warning, callout, Palette::Tint::secondary, true, card()));
    auto* facts = new QVBoxLayout;
    facts->setSpacing(6);
    for (const QString& fact : sheet.facts)
        facts->addWidget(symbolLine(QStringLiteral("checkmark.seal"), fact, callout, Palette::Tint::green, 14, card()));
    cardLayout_->addLayout(facts);
    addButtons(QStringLiteral("Skip This App"), QStringLiteral("Continue…"), ButtonStyle::prominent);
}

void LibraryPrompt::buildRemoval() {
    const RemovalWording& wording = *model_.removal();
    QFont titleFont = Fonts::font(Fonts::Role::title3);
    titleFont.setWeight(QFont::DemiBold);
    cardLayout_->addWidget(
        symbolLine(QStringLiteral("trash"), wording.title, titleFont, Palette::Tint::primary, 18, card()));
    cardLayout_->addWidget(
        new PlainLabel(wording.explanation, Fonts::font(Fonts::Role::callout), Palette::Tint::secondary, true, card()));
    if (wording.warning)
        cardLayout_->addWidget(new PlainLabel(*wording.warning, Fonts::caption(), Palette::Tint::orange, true, card()));
    addButtons(QStringLiteral("Cancel"), QStringLiteral("Remove"), ButtonStyle::destructive);
}

void LibraryPrompt::addButtons(const QString& cancel, const QString& confirm, QString (*confirmStyle)()) {
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addStretch(1);
    cancel_ = new QPushButton(cancel, card());
    cancel_->setAccessibleName(cancel);
    OnAppearance::styleSheet(cancel_, ButtonStyle::bordered);
    cancel_->setAutoDefault(false);
    connect(cancel_, &QPushButton::clicked, this, [this] { choose(false); });
    buttons->addWidget(cancel_);
    confirm_ = new QPushButton(confirm, card());
    confirm_->setAccessibleName(confirm);
    OnAppearance::styleSheet(confirm_, confirmStyle);
    // No key of its own: Return must not install a package or remove entries.
    confirm_->setAutoDefault(false);
    connect(confirm_, &QPushButton::clicked, this, [this] { choose(true); });
    buttons->addWidget(confirm_);
    cardLayout_->addLayout(buttons);
}

void LibraryPrompt::choose(bool confirm) {
    if (!leaving())
        model_.choose(confirm);
}
