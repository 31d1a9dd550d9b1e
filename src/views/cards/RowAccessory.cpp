#include "views/cards/RowAccessory.h"

#include "platform/gui/Palette.h"
#include "views/kit/Animator.h"
#include "views/kit/CheckingRing.h"
#include "views/kit/DoneMark.h"
#include "views/kit/PillButton.h"
#include "views/kit/ProgressBar.h"
#include "views/kit/Tag.h"

#include <QGraphicsOpacityEffect>

RowAccessory::RowAccessory(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize RowAccessory::sizeHint() const {
    QSize size(0, 22);
    for (QWidget* widget : {current_.data(), leaving_.data()})
        if (widget)
            size = size.expandedTo(widget->sizeHint());
    return size;
}

QWidget* RowAccessory::make(const RowAccessoryModel::Content& content) {
    using Kind = RowAccessoryModel::Content::Kind;
    const Palette& palette = Palette::current();
    QWidget* widget = nullptr;
    switch (content.kind) {
    case Kind::empty:
        return nullptr;
    case Kind::tag:
        widget = new Tag(content.title, content.symbol, palette.tint(content.tint), this);
        break;
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
    current_ = make(content_);
    place(current_);
    if (current_)
        current_->show();
    updateGeometry();

    if (!animate) {
        if (leaving_)
            leaving_->deleteLater();
        return;
    }
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
