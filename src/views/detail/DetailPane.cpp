#include "views/detail/DetailPane.h"

#include "platform/gui/ActionText.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "views/detail/AttemptRow.h"
#include "views/kit/ButtonStyle.h"
#include "views/detail/DetailPaneModel.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/HintBox.h"
#include "views/kit/OnAppearance.h"
#include "views/detail/NotesLabel.h"
#include "views/kit/PlainLabel.h"
#include "views/kit/RoundedBox.h"
#include "views/detail/StatusCard.h"
#include "views/detail/StatusCardModel.h"
#include "views/kit/Shown.h"
#include "views/kit/SymbolView.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QPushButton* linkButton(const QString& title, const QFont& font, QWidget* parent) {
    auto* link = new QPushButton(ActionText::plain(title), parent);
    link->setFlat(true);
    link->setFont(font);
    link->setCursor(Qt::PointingHandCursor);
    OnAppearance::styleSheet(link, [] {
        return QStringLiteral("QPushButton { color: %1; border: none; padding: 0; text-align: left; }")
            .arg(Palette::current().accent().name());
    });
    link->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return link;
}

// The release notes' box: its preferred height never lays the notes out at a width they never get.
class NotesBox : public RoundedBox {
public:
    using RoundedBox::RoundedBox;
    QSize sizeHint() const override { return HintBox::of(*this); }
};

bool sameNotes(const RowFacts& a, const RowFacts& b) {
    // What the notes are made from first: an open card's row changes often, and cleaning long
    // notes twice each time only to find them the same was wasted.
    const auto& x = a.release;
    const auto& y = b.release;
    if (x.has_value() == y.has_value() &&
        (!x || (x->notes == y->notes && x->kind == y->kind && x->notesURL == y->notesURL)))
        return true;
    return DetailPaneModel::releaseNotes(a) == DetailPaneModel::releaseNotes(b);
}

// The sources tried built with the pane, about a screenful; the others follow as many at a time,
// each batch on a turn of its own below the ones before, so a long list never takes one turn.
constexpr qsizetype attemptsAtOnce = 12;

void addAttempts(QWidget* list, QVBoxLayout* stack, const QList<Attempt>& attempts, qsizetype first) {
    const qsizetype end = std::min(attempts.size(), first + attemptsAtOnce);
    for (qsizetype i = first; i < end; ++i)
        stack->addWidget(new AttemptRow(attempts[i], list));
    if (end < attempts.size())
        QTimer::singleShot(0, list, [list, stack, attempts, end] { addAttempts(list, stack, attempts, end); });
}

bool sameAttempts(const RowFacts& a, const RowFacts& b) {
    if (a.attempts.size() != b.attempts.size() || DetailPaneModel::noAttempts(a) != DetailPaneModel::noAttempts(b))
        return false;
    for (qsizetype i = 0; i < a.attempts.size(); ++i)
        if (a.attempts[i].id != b.attempts[i].id)
            return false;
    return true;
}
} // namespace

DetailPane::DetailPane(QWidget* parent) : QWidget(parent) {
    auto* columns = new QHBoxLayout(this);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(28);
    // Each column is as tall as its parts need at the width it gets, at the top of the pane. An
    // aligned layout would take its preferred height instead, which no longer lays text out.
    for (auto** column : {&left_, &right_}) {
        auto* holder = new HintBox(this);
        *column = new QVBoxLayout(holder);
        (*column)->setContentsMargins(0, 0, 0, 0);
        (*column)->setSpacing(18);
        columns->addWidget(holder, 1, Qt::AlignTop);
    }
    status_ = new StatusCard(this);
    left_->addWidget(status_);
}

void DetailPane::replace(QWidget*& slot, QWidget* fresh, QVBoxLayout* column, int index) {
    if (slot) {
        column->removeWidget(slot);
        slot->deleteLater();
    }
    slot = fresh;
    if (fresh)
        column->insertWidget(index, fresh);
}

void DetailPane::setRow(const RowFacts& row) {
    status_->setCard(StatusCardModel::card(row));
    // Left: status card, actions, details, last update. Right: sources, notes.
    const bool sameActions = shown_ && DetailPaneModel::updateButton(*shown_) == DetailPaneModel::updateButton(row) &&
                             DetailPaneModel::ignoreMenu(*shown_) == DetailPaneModel::ignoreMenu(row) &&
                             DetailPaneModel::uninstallButton(*shown_) == DetailPaneModel::uninstallButton(row);
    if (!sameActions)
        replace(actions_, actions(row), left_, 1);
    if (!shown_ || DetailPaneModel::details(*shown_) != DetailPaneModel::details(row))
        replace(details_, details(row), left_, 2);
    if (!shown_ || DetailPaneModel::installLog(*shown_) != DetailPaneModel::installLog(row))
        replace(log_, installLog(row), left_, 3);
    if (!shown_ || !sameAttempts(*shown_, row))
        replace(sources_, sources(row), right_, 0);
    if (!shown_ || !sameNotes(*shown_, row))
        replace(notes_, releaseNotes(row), right_, 1);
    shown_ = row;
}

QSize DetailPane::sizeHint() const { return HintBox::of(*this); }

QWidget* DetailPane::block(const QString& title, QWidget* content) {
    auto* box = new HintBox(this);
    auto* stack = new QVBoxLayout(box);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(9);
    QFont heading = Fonts::font(Fonts::Role::subheadline);
    heading.setWeight(QFont::DemiBold);
    auto* label = new PlainLabel(title, heading, Palette::Tint::secondary, false, box);
    label->setAccessibleDescription(QStringLiteral("heading"));
    stack->addWidget(label);
    content->setParent(box);
    stack->addWidget(content);
    return box;
}

QWidget* DetailPane::actions(const RowFacts& row) {
    auto* bar = new QWidget(this);
    auto* line = new QHBoxLayout(bar);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    if (const auto update = DetailPaneModel::updateButton(row)) {
        auto* button = new QPushButton(ActionText::plain(update->title), bar);
        OnAppearance::styleSheet(button, ButtonStyle::prominent);
        button->setEnabled(update->enabled);
        button->setToolTip(update->help);
        const RowAction action = update->action;
        connect(button, &QPushButton::clicked, this, [this, action] { Q_EMIT triggered(action); });
        line->addWidget(button);
    }
    auto* ignore = new QToolButton(bar);
    ignore->setText(QStringLiteral("Ignore"));
    ignore->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(ignore);
    for (const auto& entry : DetailPaneModel::ignoreMenu(row)) {
        const RowAction action = entry.action;
        menu->addAction(ActionText::plain(entry.title), this, [this, action] { Q_EMIT triggered(action); });
    }
    ignore->setMenu(menu);
    // Room between the title and the menu's arrow, which the style draws against it.
    ignore->setMinimumWidth(ignore->sizeHint().width() + 10);
    line->addWidget(ignore);

    auto* reveal = new QToolButton(bar);
    OnAppearance::follow(
        reveal, [reveal] { reveal->setIcon(Symbols::icon(QStringLiteral("folder"), Palette::current().text())); });
    reveal->setToolTip(DetailPaneModel::revealHelp());
    reveal->setAccessibleName(DetailPaneModel::revealHelp());
    connect(reveal, &QToolButton::clicked, this, [this] { Q_EMIT triggered({RowAction::Kind::reveal, {}}); });
    line->addWidget(reveal);
    line->addStretch(1);

    const auto uninstall = DetailPaneModel::uninstallButton(row);
    auto* remove = new QPushButton(uninstall.title, bar);
    OnAppearance::follow(remove, [remove] {
        const QColor red = Palette::current().hue(Palette::Hue::red);
        remove->setIcon(Symbols::icon(QStringLiteral("trash"), red));
        remove->setStyleSheet(QStringLiteral("QPushButton { color: %1; }").arg(red.name()));
    });
    remove->setEnabled(uninstall.enabled);
    remove->setToolTip(uninstall.help);
    connect(remove, &QPushButton::clicked, this, [this] { Q_EMIT triggered({RowAction::Kind::remove, {}}); });
    line->addWidget(remove);
    return bar;
}

QWidget* DetailPane::details(const RowFacts& row) {
    auto* grid = new HintBox(this);
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(12);
    layout->setVerticalSpacing(7);
    const QFont callout = Fonts::font(Fonts::Role::callout);
    int r = 0;
    for (const auto& [label, value] : DetailPaneModel::details(row)) {
        layout->addWidget(new PlainLabel(label, callout, Palette::Tint::secondary, false, grid), r, 0,
                          Qt::AlignRight | Qt::AlignTop);
        auto* text = new ElidedLabel(value, Qt::ElideMiddle, 2, grid);
        text->setFont(callout);
        text->setColor(Palette::Tint::primary);
        text->setToolTip(value);
        text->setSelectable();
        layout->addWidget(text, r, 1);
        ++r;
    }
    layout->setColumnStretch(1, 1);
    return block(QStringLiteral("Details"), grid);
}

QWidget* DetailPane::installLog(const RowFacts& row) {
    const auto lines = DetailPaneModel::installLog(row);
    if (lines.isEmpty())
        return nullptr;
    auto* list = new HintBox(this);
    auto* stack = new QVBoxLayout(list);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(5);
    const QFont callout = Fonts::font(Fonts::Role::callout);
    for (const auto& entry : lines) {
        auto* line = new QHBoxLayout;
        line->setSpacing(6);
        line->addWidget(new SymbolView(entry.symbol, 12, entry.tint, 14, list), 0, Qt::AlignTop);
        line->addWidget(new PlainLabel(entry.text, callout,
                                       entry.tint == Palette::Tint::red ? entry.tint : Palette::Tint::secondary, true,
                                       list),
                        1);
        stack->addLayout(line);
    }
    return block(QStringLiteral("Last Update"), list);
}

QWidget* DetailPane::sources(const RowFacts& row) {
    QWidget* content;
    if (row.attempts.isEmpty()) {
        content = new PlainLabel(DetailPaneModel::noAttempts(row), Fonts::font(Fonts::Role::callout),
                                 Palette::Tint::secondary, true, this);
    } else {
        content = new HintBox(this);
        auto* stack = new QVBoxLayout(content);
        stack->setContentsMargins(0, 0, 0, 0);
        stack->setSpacing(12);
        addAttempts(content, stack, row.attempts, 0);
    }
    return block(QStringLiteral("Sources Tried"), content);
}

QWidget* DetailPane::releaseNotes(const RowFacts& row) {
    using Kind = DetailPaneModel::Notes::Kind;
    const auto notes = DetailPaneModel::releaseNotes(row);
    if (notes.kind == Kind::none)
        return nullptr;
    const QUrl url = notes.url.value_or(QUrl());
    if (notes.kind == Kind::link) {
        auto* link = linkButton(notes.linkTitle, Fonts::font(Fonts::Role::callout), this);
        connect(link, &QPushButton::clicked, this, [this, url] { Q_EMIT triggered({RowAction::Kind::openURL, url}); });
        return block(QStringLiteral("Release Notes"), link);
    }
    auto* box = new NotesBox(
        10,
        [] {
            QColor fill = Palette::current().quaternary();
            fill.setAlphaF(fill.alphaF() * 0.35f);
            return fill;
        },
        this);
    auto* stack = new QVBoxLayout(box);
    stack->setContentsMargins(12, 12, 12, 12);
    stack->setSpacing(8);
    auto* text = new NotesLabel(box);
    text->setFont(Fonts::font(Fonts::Role::callout));
    text->setNotes(notes.text, notes.markdown);
    connect(text, &NotesLabel::linkActivated, this, &DetailPane::linkActivated);
    stack->addWidget(text);
    if (notes.url) {
        auto* link = linkButton(notes.linkTitle, Fonts::caption(), box);
        connect(link, &QPushButton::clicked, this, [this, url] { Q_EMIT triggered({RowAction::Kind::openURL, url}); });
        // Aligned, the fixed-width link no longer caps the box's preferred width at its own, which
        // had the layouts ask the notes for their height at their narrowest too.
        stack->addWidget(link, 0, Qt::AlignLeft);
    }
    return block(QStringLiteral("Release Notes"), box);
}
