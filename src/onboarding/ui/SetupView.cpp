#include "onboarding/ui/SetupView.h"

#include "onboarding/SetupModel.h"
#include "onboarding/ui/ReplacingSymbol.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "runtime/Observation.h"
#include "runtime/Spawn.h"
#include "views/kit/Animator.h"
#include "views/kit/ButtonStyle.h"
#include "views/kit/FadeEffect.h"
#include "views/kit/OnAppearance.h"
#include "views/kit/RoundedBox.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

QLabel* text(const QFont& font, QWidget* parent, bool wraps = false) {
    auto* label = new QLabel(parent);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wraps);
    return label;
}

void colour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

SetupView::SetupView(SetupModel& model, std::function<void()> close, std::function<void()> openSettings,
                     QWidget* parent)
    : QWidget(parent), m_(model), close_(std::move(close)), openSettings_(std::move(openSettings)),
      shown_(model.step()) {
    setFixedWidth(460);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(24, 24, 24, 24);
    root->setSpacing(22);

    auto* header = new QHBoxLayout();
    header->setSpacing(14);
    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(56, 56));
    icon->setFixedSize(56, 56);
    header->addWidget(icon, 0, Qt::AlignVCenter);
    auto* titles = new QVBoxLayout();
    titles->setSpacing(2);
    title_ = text(Fonts::system(17, QFont::Bold), this);
    subtitle_ = text(Fonts::body(), this);
    // The pair stays together, centred beside the taller icon.
    titles->addStretch(1);
    titles->addWidget(title_);
    titles->addWidget(subtitle_);
    titles->addStretch(1);
    header->addLayout(titles, 1);
    root->addLayout(header);

    auto* checklist = new RoundedBox(
        12,
        [] {
            QColor fill = Palette::current().quaternary();
            fill.setAlphaF(fill.alphaF() * 0.5);
            return fill;
        },
        this);
    auto* list = new QVBoxLayout(checklist);
    list->setContentsMargins(14, 14, 14, 14);
    list->setSpacing(10);
    for (int i = 0; i < SetupModel::checklist().size(); ++i) {
        auto* row = new QHBoxLayout();
        row->setSpacing(10);
        auto* symbol = new ReplacingSymbol(16, checklist);
        auto* title = text(Fonts::body(), checklist);
        row->addWidget(symbol, 0, Qt::AlignVCenter);
        row->addWidget(title, 1, Qt::AlignVCenter);
        list->addLayout(row);
        rows_.append(std::pair{symbol, title});
    }
    root->addWidget(checklist);

    card_ = new QWidget(this);
    auto* card = new QVBoxLayout(card_);
    card->setContentsMargins(0, 0, 0, 0);
    card->setSpacing(10);
    cardTitle_ = text(Fonts::headline(), card_);
    body_ = text(Fonts::body(), card_, true);
    error_ = text(Fonts::font(Fonts::Role::callout), card_, true);
    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(10);
    primary_ = new QPushButton(card_);
    primary_->setDefault(true);
    // The default button is the prominent one, as the platform draws it.
    OnAppearance::styleSheet(primary_, ButtonStyle::prominent);
    secondary_ = new QPushButton(card_);
    secondary_->setAutoDefault(false);
    OnAppearance::styleSheet(secondary_, ButtonStyle::bordered);
    buttons->addWidget(primary_);
    buttons->addWidget(secondary_);
    buttons->addStretch(1);
    footer_ = text(Fonts::caption(), card_, true);
    card->addWidget(cardTitle_);
    card->addWidget(body_);
    card->addWidget(error_);
    card->addSpacing(6);
    card->addLayout(buttons);
    card->addWidget(footer_);
    root->addWidget(card_);

    connect(primary_, &QPushButton::clicked, this, [this] { pressed(true); });
    connect(secondary_, &QPushButton::clicked, this, [this] { pressed(false); });
    new Observer(
        this, [this] { (void)m_.step(), (void)m_.error(); }, [this] { refresh(); });
    refresh();
    connect(&OnAppearance::changes(), &OnAppearance::changed, this, &SetupView::recolour);
}

void SetupView::recolour() {
    const Palette& palette = Palette::current();
    colour(subtitle_, palette.secondary());
    const QList<SetupModel::Row> checklist = SetupModel::checklist();
    for (qsizetype i = 0; i < checklist.size(); ++i) {
        const SetupModel::Mark mark = m_.mark(checklist[i].step);
        const auto [name, tint] =
            mark == SetupModel::Mark::done      ? std::pair{"checkmark.circle.fill", palette.hue(Palette::Hue::green)}
            : mark == SetupModel::Mark::current ? std::pair{"circle.inset.filled", palette.accent()}
                                                : std::pair{"circle", palette.secondary()};
        auto [symbol, title] = rows_[i];
        symbol->setSymbol(QString::fromLatin1(name), tint);
        colour(title, mark == SetupModel::Mark::pending ? palette.secondary() : palette.text());
    }
    colour(body_, palette.secondary());
    colour(error_, palette.hue(Palette::Hue::red));
    colour(footer_, palette.secondary());
}

void SetupView::refresh() {
    const SetupModel::Header header = m_.header();
    title_->setText(header.title);
    subtitle_->setText(header.subtitle);
    const QList<SetupModel::Row> checklist = SetupModel::checklist();
    for (qsizetype i = 0; i < checklist.size(); ++i) {
        const SetupModel::Mark mark = m_.mark(checklist[i].step);
        QLabel* title = rows_[i].second;
        title->setText(checklist[i].title);
        QFont font = title->font();
        font.setWeight(mark == SetupModel::Mark::current ? QFont::DemiBold : QFont::Normal);
        title->setFont(font);
    }
    recolour();

    if (m_.step() != shown_) {
        shown_ = m_.step();
        bringInCard();
    }
    const SetupModel::Card card = m_.card();
    cardTitle_->setText(card.title);
    body_->setText(card.body);
    error_->setVisible(m_.error().has_value());
    error_->setText(m_.error().value_or(QString()));
    primary_->setText(card.primary);
    secondary_->setText(card.secondary);
    footer_->setVisible(!card.footer.isEmpty());
    footer_->setText(card.footer);
    primary_->setFocus();
    adjustSize();
    if (QWidget* window = this->window(); window != this)
        window->adjustSize();
}

void SetupView::bringInCard() {
    auto* effect = new FadeEffect(card_);
    card_->setGraphicsEffect(effect);
    QPointer<QWidget> card(card_);
    QPointer<QGraphicsOpacityEffect> fading(effect);
    Animator::spring(card_, 0.4, 0.85, 0, 1, [card, fading](double t) {
        if (!card)
            return;
        card->layout()->setContentsMargins(int(std::lround(std::max(0.0, 1 - t) * 40)), 0, 0, 0);
        if (fading)
            fading->setOpacity(std::clamp(t, 0.0, 1.0));
        // Settled: drawn plainly again, which an opacity effect would blur on scaled screens.
        if (t == 1 && fading)
            card->setGraphicsEffect(nullptr);
    });
}

void SetupView::pressed(bool primary) {
    switch (m_.step()) {
    case SetupStep::move:
        if (primary)
            spawn(m_.moveToApplications(), "move to Applications");
        else
            m_.keepHere();
        break;
    case SetupStep::login:
        m_.answerLogin(primary);
        break;
    case SetupStep::done:
        close_();
        if (!primary && openSettings_)
            openSettings_();
        break;
    }
}
