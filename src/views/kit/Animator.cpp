#include "views/kit/Animator.h"

#include "model/Motion.h"
#include "model/Spring.h"
#include "runtime/Clock.h"
#include "runtime/Spawn.h"
#include "views/kit/FadeEffect.h"
#include "views/kit/WhileShown.h"

#include <QGraphicsOpacityEffect>

#include <algorithm>
#include <memory>

namespace Animator {

namespace {
QVariantAnimation* drive(QObject* owner, double seconds, std::function<double(double)> valueAt, Apply apply,
                         int loops = 1) {
    auto* animation = new QVariantAnimation(owner);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setDuration(std::max(1, static_cast<int>(seconds * 1000)));
    animation->setLoopCount(loops);
    QObject::connect(animation, &QVariantAnimation::valueChanged, owner,
                     [valueAt = std::move(valueAt), apply, seconds](const QVariant& progress) {
                         apply(valueAt(progress.toDouble() * seconds));
                     });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    return animation;
}

} // namespace

QVariantAnimation* spring(QObject* owner, double response, double dampingFraction, double from, double to,
                          Apply apply) {
    if (Motion::instant() || from == to) {
        apply(to);
        return nullptr;
    }
    const Spring motion(response, dampingFraction, from, to);
    return drive(
        owner, motion.settlingTime(),
        [motion, to, end = motion.settlingTime()](double t) { return t >= end ? to : motion.value(t); },
        std::move(apply));
}

QVariantAnimation* timed(QObject* owner, double seconds, QEasingCurve::Type curve, double from, double to,
                         Apply apply) {
    if (Motion::instant() || from == to) {
        apply(to);
        return nullptr;
    }
    const QEasingCurve easing(curve);
    return drive(
        owner, seconds,
        [easing, from, to, seconds](double t) { return from + (to - from) * easing.valueForProgress(t / seconds); },
        std::move(apply));
}

QVariantAnimation* standard(QObject* owner, double from, double to, Apply apply) {
    const auto animation = Motion::spring();
    if (animation.kind == Motion::Animation::Kind::easeInOut)
        return timed(owner, animation.duration, QEasingCurve::InOutQuad, from, to, std::move(apply));
    return spring(owner, animation.response, animation.dampingFraction, from, to, std::move(apply));
}

QVariantAnimation* loop(QObject* owner, double seconds, QEasingCurve::Type curve, double from, double to, bool reverse,
                        Apply apply) {
    apply(from);
    if (Motion::instant())
        return nullptr;
    const QEasingCurve easing(curve);
    const double period = reverse ? 2 * seconds : seconds;
    auto* animation = drive(
        owner, period,
        [easing, from, to, seconds, reverse](double t) {
            double leg = t / seconds;
            if (reverse && leg > 1)
                leg = 2 - leg;
            return from + (to - from) * easing.valueForProgress(std::min(leg, 1.0));
        },
        std::move(apply), -1);
    if (auto* widget = qobject_cast<QWidget*>(owner))
        new WhileShown(animation, widget);
    return animation;
}

namespace {
QCoro::Task<void> waitThen(double seconds, QPointer<QObject> owner, std::function<void()> then) {
    co_await Clock::sleepSeconds(seconds);
    if (owner)
        then();
}
} // namespace

void after(double seconds, QObject* owner, std::function<void()> then) {
    if (seconds <= 0 || Motion::instant()) {
        then();
        return;
    }
    spawn(waitThen(seconds, owner, std::move(then)), "a delayed animation");
}

bool insideEffect(const QWidget* widget) {
    for (const QWidget* above = widget->parentWidget(); above; above = above->parentWidget())
        if (above->graphicsEffect())
            return true;
    return false;
}

void fade(QWidget* widget, bool in, std::function<bool()> wanted) {
    if (insideEffect(widget)) {
        widget->setGraphicsEffect(nullptr);
        widget->setVisible(in && wanted());
        return;
    }
    auto* effect = new FadeEffect(widget, in ? 0 : 1);
    widget->setGraphicsEffect(effect);
    if (in)
        widget->show();
    QPointer<QWidget> guarded = widget;
    QPointer<QGraphicsOpacityEffect> mine = effect;
    standard(widget, in ? 0 : 1, in ? 1 : 0, [guarded, effect = mine, in, wanted = std::move(wanted)](double v) {
        // A later fade replaced (and deleted) this one's effect.
        if (!guarded || !effect || guarded->graphicsEffect() != effect)
            return;
        effect->setOpacity(std::clamp(v, 0.0, 1.0));
        if (v == (in ? 1 : 0)) {
            guarded->setGraphicsEffect(nullptr);
            guarded->setVisible(in && wanted());
        }
    });
}

void appear(QWidget* widget) {
    QPointer<QGraphicsOpacityEffect> effect = new FadeEffect(widget);
    effect->setOpacity(0);
    widget->setGraphicsEffect(effect);
    const QPointer<QWidget> fresh = widget;
    standard(widget, 0, 1, [fresh, effect](double v) {
        if (!fresh || !effect)
            return;
        effect->setOpacity(std::clamp(v, 0.0, 1.0));
        if (v == 1)
            fresh->setGraphicsEffect(nullptr);
    });
}

} // namespace Animator

SpringValue::SpringValue(QObject* owner, double value, Animator::Apply apply, double response, double dampingFraction)
    : QObject(owner), apply_(std::move(apply)), response_(response), damping_(dampingFraction), value_(value),
      target_(value) {}

void SpringValue::setValue(double value) {
    if (running_)
        running_->stop();
    value_ = target_ = value;
    velocity_ = 0;
    apply_(value_);
}

void SpringValue::setTarget(double target) {
    if (target == target_)
        return;
    target_ = target;
    if (running_)
        running_->stop();
    const auto standard = Motion::spring();
    const bool eased = response_ == 0 && standard.kind == Motion::Animation::Kind::easeInOut;
    if (Motion::instant() || eased) {
        velocity_ = 0;
        running_ = eased ? Animator::timed(this, standard.duration, QEasingCurve::InOutQuad, value_, target,
                                           [this](double v) {
                                               value_ = v;
                                               apply_(v);
                                           })
                         : nullptr;
        if (!running_) {
            value_ = target;
            apply_(value_);
        }
        return;
    }
    const double response = response_ == 0 ? standard.response : response_;
    const double damping = response_ == 0 ? standard.dampingFraction : damping_;
    auto motion = std::make_shared<Spring>(response, damping, value_, target, velocity_);
    const double end = motion->settlingTime();
    auto* animation = new QVariantAnimation(this);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setDuration(std::max(1, static_cast<int>(end * 1000)));
    connect(animation, &QVariantAnimation::valueChanged, this, [this, motion, end](const QVariant& progress) {
        const double t = progress.toDouble() * end;
        value_ = progress.toDouble() >= 1 ? motion->target() : motion->value(t);
        velocity_ = progress.toDouble() >= 1 ? 0 : motion->velocity(t);
        apply_(value_);
    });
    running_ = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}
