#include "views/cards/RowAccessory.h"

#include "platform/gui/Palette.h"
#include "views/kit/Animator.h"
#include "views/kit/CheckingRing.h"
#include "views/kit/DoneMark.h"
#include "views/kit/FadeEffect.h"
#include "views/kit/PillButton.h"
#include "views/kit/ProgressBar.h"
#include "views/kit/Stagger.h"
#include "views/kit/Tag.h"

#include <QGraphicsOpacityEffect>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

RowAccessory::RowAccessory(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize RowAccessory::sizeHint() const {
    QSize size(0, 22);
    for (QWidget* widget : {current_.data(), leaving_.data()})
        if (widget)
            size = size.expandedTo(widget->sizeHint());
    for (const auto* tag : {&tag_, &leavingTag_})
        if (*tag)
            size = size.expandedTo((*tag)->extent);
    return size;
}

QString RowAccessory::help() const {
    if (current_)
        return current_->toolTip();
    return tag_ ? tag_->content.help : QString();
}

QRect RowAccessory::tagRect(const DrawnTag& tag) const {
    // Where a tag widget of its size would sit: at the trailing end, centred on the height.
    const QSize size = tag.extent;
    return QRect(QPoint(width() - size.width(), (height() - size.height()) / 2), size);
}

void RowAccessory::paintEvent(QPaintEvent*) {
    if (!tag_ && !leavingTag_)
        return;
    const Palette& palette = Palette::current();
    QPainter painter(this);
    for (const auto* tag : {&leavingTag_, &tag_}) {
        if (!*tag || (*tag)->opacity <= 0)
            continue;
        const auto& content = (*tag)->content;
        painter.setOpacity(std::clamp((*tag)->opacity, 0.0, 1.0));
        Tag::paint(painter, QRectF(tagRect(**tag)), content.title, content.symbol, palette.tint(content.tint));
    }
}

bool RowAccessory::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (tag_ && !tag_->content.help.isEmpty() && tagRect(*tag_).contains(help->pos()))
            QToolTip::showText(help->globalPos(), tag_->content.help, this, tagRect(*tag_));
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

QWidget* RowAccessory::make(const RowAccessoryModel::Content& content) {
    using Kind = RowAccessoryModel::Content::Kind;
    QWidget* widget = nullptr;
    switch (content.kind) {
    case Kind::empty:
    case Kind::tag:
        return nullptr;
    case Kind::progress:
        widget = new ProgressBar(content.value, content.title, this);
        break;
    case Kind::doneMark:
        widget = new DoneMark(content.title, this);
        break;
    case Kind::ring:
        widget = new CheckingRing(this);
        break;
    case Kind::button: {
        auto* button = new PillButton(content.title, content.prominent, this);
        const RowAction action = content.action;
        connect(button, &QAbstractButton::clicked, this, [this, action] { Q_EMIT triggered(action); });
        widget = button;
        break;
    }
    }
    widget->setToolTip(content.help);
    return widget;
}

void RowAccessory::place(QWidget* widget) const {
    if (!widget)
        return;
    const QSize size = widget->sizeHint();
    widget->setGeometry(width() - size.width(), (height() - size.height()) / 2, size.width(), size.height());
}

namespace {
// Rows Update All queues in one turn turn "Queued" one after another.
Stagger& queueing() {
    static Stagger stagger(0.06);
    return stagger;
}

double opacityOf(const QWidget* widget) {
    const auto* effect = qobject_cast<const QGraphicsOpacityEffect*>(widget->graphicsEffect());
    return effect ? effect->opacity() : 1;
}
} // namespace

void RowAccessory::tellSize() {
    // The row is laid out again, and with it the card and the list, only for a new height.
    if (const QSize hint = sizeHint(); hint != told_) {
        told_ = hint;
        updateGeometry();
    }
}

void RowAccessory::setRow(const RowFacts& row) {
    auto content = RowAccessoryModel::content(row);
    const QString key = RowAccessoryModel::stateKey(row);
    if (!first_) {
        // One bar runs from the download through the install: two bars swapped would lay their
        // labels over each other while they cross.
        auto* bar = qobject_cast<ProgressBar*>(current_.data());
        if (bar && content.kind == RowAccessoryModel::Content::Kind::progress) {
            key_ = key;
            content_ = std::move(content);
            bar->setValue(content_.value, content_.title);
            place(bar);
            tellSize();
            return;
        }
        if (key == key_ && content == content_)
            return;
    }
    // The key alone decides the animation: a new reason or source under the same state is
    // shown at once.
    const bool animate = !first_ && key != key_;
    first_ = false;
    key_ = key;
    content_ = std::move(content);
    if (leaving_)
        leaving_->deleteLater();
    leaving_ = current_;
    // A bar whose phase has ended leaves at once: the row already reads the new copy's version,
    // which must not stand beside "Installing".
    if (qobject_cast<ProgressBar*>(leaving_.data())) {
        leaving_->hide();
        leaving_->deleteLater();
        leaving_ = nullptr;
    }
    leavingTag_ = std::exchange(tag_, std::nullopt);
    current_ = make(content_);
    if (content_.kind == RowAccessoryModel::Content::Kind::tag)
        tag_ = DrawnTag{content_, animate ? 0.0 : 1.0, Tag::extent(content_.title)};
    place(current_);
    const int swap = ++swaps_;
    tellSize();
    update();

    if (!animate) {
        if (current_)
            current_->show();
        if (leaving_)
            leaving_->deleteLater();
        leavingTag_.reset();
        return;
    }
    // Until its turn in the stagger the old content stays as it was and the new one unseen.
    if (current_) {
        auto* unseen = new FadeEffect(current_);
        unseen->setOpacity(0);
        current_->setGraphicsEffect(unseen);
        current_->show();
    }
    const double delay = row.phase.kind() == InstallPhase::Kind::queued ? queueing().next(window()) : 0;
    Animator::after(delay, this, [this, swap] {
        if (swap == swaps_)
            crossFade(swap);
    });
}

namespace {
// The old content fades out over the first half of the move, from the opacity it had, and the
// new one in over the second, so two labels in one place never show together ("Installing"
// under "Updated"). With nothing leaving, the new one takes the whole move.
double fadeThrough(bool leaving, bool alone, double from, double v) {
    if (leaving)
        return from * (1 - std::clamp(2 * v, 0.0, 1.0));
    return from + (1 - from) * (alone ? v : std::clamp(2 * v - 1, 0.0, 1.0));
}
} // namespace

void RowAccessory::crossFade(int swap) {
    const bool alone = !leaving_ && !leavingTag_;
    // A drawn tag fades by the opacity it is drawn with.
    auto fadeTag = [this, swap, alone](std::optional<DrawnTag> RowAccessory::*tag, bool leaving) {
        if (!(this->*tag))
            return;
        const double from = (this->*tag)->opacity;
        Animator::standard(this, 0, 1, [this, swap, tag, from, leaving, alone](double v) {
            if (swap != swaps_ || !(this->*tag))
                return;
            (this->*tag)->opacity = fadeThrough(leaving, alone, from, v);
            if (v == 1 && leaving)
                (this->*tag).reset();
            update();
        });
    };
    fadeTag(&RowAccessory::leavingTag_, true);
    fadeTag(&RowAccessory::tag_, false);
    // The old content fades from where a fade of its own had brought it; the new one was unseen.
    auto fade = [alone](QWidget* widget, bool leaving) {
        if (!widget)
            return;
        const double from = leaving ? opacityOf(widget) : 0;
        auto* effect = new FadeEffect(widget);
        effect->setOpacity(from);
        widget->setGraphicsEffect(effect);
        QPointer<QWidget> target(widget);
        // A later change fades the same widget with an effect of its own, which deletes this one.
        QPointer<QGraphicsOpacityEffect> mine(effect);
        Animator::standard(widget, 0, 1, [target, effect = mine, from, leaving, alone](double v) {
            if (!target || !effect)
                return;
            effect->setOpacity(fadeThrough(leaving, alone, from, v));
            if (v == 1) {
                if (leaving)
                    target->deleteLater();
                else
                    target->setGraphicsEffect(nullptr);
            }
        });
    };
    fade(leaving_, true);
    fade(current_, false);
}

void RowAccessory::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place(current_);
    place(leaving_);
}
