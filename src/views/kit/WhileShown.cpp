#include "views/kit/WhileShown.h"

#include <QAbstractAnimation>
#include <QEvent>
#include <QTimer>
#include <QWidget>

WhileShown::WhileShown(QObject* held, QWidget* widget) : QObject(held) { widget->installEventFilter(this); }

WhileShown::WhileShown(QAbstractAnimation* animation, QWidget* widget)
    : WhileShown(static_cast<QObject*>(animation), widget) {
    animation_ = animation;
    hold(widget->isVisible() && !widget->window()->isMinimized());
}

WhileShown::WhileShown(QTimer* timer, QWidget* widget) : WhileShown(static_cast<QObject*>(timer), widget) {
    timer_ = timer;
    hold(widget->isVisible() && !widget->window()->isMinimized());
}

bool WhileShown::eventFilter(QObject* watched, QEvent* event) {
    // A widget hears these when an ancestor shows or hides and when its window is minimised.
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
        hold(event->type() == QEvent::Show);
    return QObject::eventFilter(watched, event);
}

void WhileShown::hold(bool shown) {
    if (animation_) {
        if (!shown && animation_->state() == QAbstractAnimation::Running)
            animation_->pause();
        else if (shown && animation_->state() == QAbstractAnimation::Paused)
            animation_->resume();
        return;
    }
    if (!shown && timer_->isActive()) {
        timer_->stop();
        held_ = true;
    } else if (shown && held_) {
        timer_->start();
        held_ = false;
    }
}
