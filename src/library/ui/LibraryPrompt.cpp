#include "library/ui/LibraryPrompt.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "views/kit/ButtonStyle.h"
#include "views/kit/ModalCard.h"
#include "views/kit/OnAppearance.h"
#include "views/kit/PlainLabel.h"
#include "views/kit/SymbolView.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {
constexpr int cardWidth = 500;

// A symbol before wrapping text, the symbol on the text's first line.
QWidget* symbolLine(const QString& symbol, const QString& text, const QFont& font, const Palette::Ink& color, double glyph,
                    QWidget* parent) {
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

LibraryPrompt::LibraryPrompt(Store& store, QWidget* parent) : QWidget(parent), model_(store) {
    setAttribute(Qt::WA_NoMousePropagation);
    setFocusPolicy(Qt::StrongFocus);

    card_ = new ModalCard(cardWidth, Palette::Material::regular, this);
    cardLayout_ = card_->column();
    cardLayout_->setSpacing(14);

    if (model_.kind() == LibraryPromptModel::Kind::consent)
        buildConsent();
    else if (model_.kind() == LibraryPromptModel::Kind::removal)
        buildRemoval();

    // Escape is the cancel action of either question.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &LibraryPrompt::dismiss);

    if (parent) {
        setGeometry(parent->rect());
        parent->installEventFilter(this);
    }
    card_->centreIn(rect());
    // The prompt is modal: the keyboard never reaches the window beneath it.
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { holdFocus(now); });
}

// Cut here: QWidget's destructor, which runs before QObject's, moves the focus off a child.
LibraryPrompt::~LibraryPrompt() { disconnect(focusWatch_); }

void LibraryPrompt::buildConsent() {
    const ConsentFacts& sheet = *model_.consent();
    QFont titleFont = Fonts::font(Fonts::Role::title3);
    titleFont.setWeight(QFont::DemiBold);
    cardLayout_->addWidget(symbolLine(QStringLiteral("shippingbox.fill"), sheet.title, titleFont, Palette::Tint::primary, 18, card_));
    const QFont callout = Fonts::font(Fonts::Role::callout);
    cardLayout_->addWidget(new PlainLabel(sheet.warning, callout, Palette::Tint::secondary, true, card_));
    auto* facts = new QVBoxLayout;
    facts->setSpacing(6);
    for (const QString& fact : sheet.facts)
        facts->addWidget(symbolLine(QStringLiteral("checkmark.seal"), fact, callout, Palette::Tint::green, 14,
                                    card_));
    cardLayout_->addLayout(facts);
    addButtons(QStringLiteral("Skip This App"), QStringLiteral("Continue…"), ButtonStyle::prominent);
}

void LibraryPrompt::buildRemoval() {
    const RemovalWording& wording = *model_.removal();
    QFont titleFont = Fonts::font(Fonts::Role::title3);
    titleFont.setWeight(QFont::DemiBold);
    cardLayout_->addWidget(symbolLine(QStringLiteral("trash"), wording.title, titleFont, Palette::Tint::primary, 18, card_));
    cardLayout_->addWidget(
        new PlainLabel(wording.explanation, Fonts::font(Fonts::Role::callout), Palette::Tint::secondary, true, card_));
    if (wording.warning)
        cardLayout_->addWidget(
            new PlainLabel(*wording.warning, Fonts::caption(), Palette::Tint::orange, true, card_));
    addButtons(QStringLiteral("Cancel"), QStringLiteral("Remove"), ButtonStyle::destructive);
}

void LibraryPrompt::addButtons(const QString& cancel, const QString& confirm, QString (*confirmStyle)()) {
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addStretch(1);
    cancel_ = new QPushButton(cancel, card_);
    cancel_->setAccessibleName(cancel);
    OnAppearance::styleSheet(cancel_, ButtonStyle::bordered);
    cancel_->setAutoDefault(false);
    connect(cancel_, &QPushButton::clicked, this, &LibraryPrompt::dismiss);
    buttons->addWidget(cancel_);
    confirm_ = new QPushButton(confirm, card_);
    confirm_->setAccessibleName(confirm);
    OnAppearance::styleSheet(confirm_, confirmStyle);
    // No key of its own: Return must not install a package or remove entries.
    confirm_->setAutoDefault(false);
    connect(confirm_, &QPushButton::clicked, this, &LibraryPrompt::confirm);
    buttons->addWidget(confirm_);
    cardLayout_->addLayout(buttons);
}

void LibraryPrompt::dismiss() {
    if (!leaving_)
        model_.choose(false);
}

void LibraryPrompt::confirm() {
    if (!leaving_)
        model_.choose(true);
}

void LibraryPrompt::leave() {
    leaving_ = true;
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LibraryPrompt::holdFocus(QWidget* now) {
    if (leaving_ || !now || !isVisible() || now == this || isAncestorOf(now) || now->window() != window())
        return;
    (cancel_ ? static_cast<QWidget*>(cancel_) : this)->setFocus(Qt::OtherFocusReason);
}

bool LibraryPrompt::focusNextPrevChild(bool next) { return ModalCard::cycleFocus(this, next); }

bool LibraryPrompt::event(QEvent* event) {
    if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest) {
        const bool handled = QWidget::event(event);
        card_->centreIn(rect());
        return handled;
    }
    return QWidget::event(event);
}

bool LibraryPrompt::eventFilter(QObject* watched, QEvent* event) {
    // The dim layer covers the whole window as it is resized.
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void LibraryPrompt::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 71)); // black at 0.28
    card_->paintShadow(painter);
}

// A click on the dim layer is swallowed: only the card's buttons end a question.
void LibraryPrompt::mousePressEvent(QMouseEvent* event) { event->accept(); }
