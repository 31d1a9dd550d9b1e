#include "views/cards/RowAccessory.h"

#include "platform/gui/Palette.h"
#include "views/kit/Animator.h"
#include "views/kit/CheckingRing.h"
#include "views/kit/DoneMark.h"
#include "views/kit/PillButton.h"
#include "views/kit/ProgressBar.h"
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

void RowAccessory::setRow(const RowFacts& row) {
    auto content = RowAccessoryModel::content(row);
    const QString key = RowAccessoryModel::stateKey(row);
    if (!first_ && key == key_) {
        if (auto* bar = qobject_cast<ProgressBar*>(current_.data())) {
            bar->setValue(content.value, content.title);
            return;
        }
        if (content == content_)
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
    leavingTag_ = std::exchange(tag_, std::nullopt);
    current_ = make(content_);
    if (content_.kind == RowAccessoryModel::Content::Kind::tag)
        tag_ = DrawnTag{content_, animate ? 0.0 : 1.0, Tag::extent(content_.title)};
    place(current_);
    if (current_)
        current_->show();
    const int swap = ++swaps_;
    // The row is laid out again, and with it the card and the list, only for a new height.
    if (const QSize hint = sizeHint(); hint != told_) {
        told_ = hint;
        updateGeometry();
    }
    update();

    if (!animate) {
        if (leaving_)
            leaving_->deleteLater();
        leavingTag_.reset();
        return;
    }
    // A drawn tag fades by the opacity it is drawn with.
    auto fadeTag = [this, swap](std::optional<DrawnTag> RowAccessory::*tag, double from, double to) {
        if (!(this->*tag))
            return;
        Animator::standard(this, from, to, [this, swap, tag, to](double v) {
            if (swap != swaps_ || !(this->*tag))
                return;
            (this->*tag)->opacity = v;
            if (v == to && to == 0)
                (this->*tag).reset();
            update();
        });
    };
    fadeTag(&RowAccessory::leavingTag_, 1, 0);
    fadeTag(&RowAccessory::tag_, 0, 1);
    // The old content fades out and the new one in, by the standard animation.
    auto fade = [this](QWidget* widget, double from, double to, bool remove) {
        if (!widget)
            return;
        auto* effect = new QGraphicsOpacityEffect(widget);
        effect->setOpacity(from);
        widget->setGraphicsEffect(effect);
        QPointer<QWidget> target(widget);
        // A later change fades the same widget with an effect of its own, which deletes this one.
        QPointer<QGraphicsOpacityEffect> mine(effect);
        Animator::standard(widget, from, to, [target, effect = mine, to, remove](double v) {
            if (!target || !effect)
                return;
            effect->setOpacity(std::clamp(v, 0.0, 1.0));
            if (v == to) {
                if (remove)
                    target->deleteLater();
                else
                    target->setGraphicsEffect(nullptr);
            }
        });
    };
    fade(leaving_, 1, 0, true);
    fade(current_, 0, 1, false);
}

void RowAccessory::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place(current_);
    place(leaving_);
}
