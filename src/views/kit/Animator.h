#pragma once

#include <QEasingCurve>
#include <QObject>
#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

#include <functional>

// Runs the animations of the views: the standard one (the spring, or its reduced ease-in-out),
// the fixed springs and timed curves some widgets have, and endless loops. Each calls `apply`
// with the value of the moment; with Motion::instant() the end value is applied at once and no
// animation starts (an endless loop then shows its start). The animation belongs to `owner`.
namespace Animator {

using Apply = std::function<void(double)>;

QVariantAnimation* standard(QObject* owner, double from, double to, Apply apply);
QVariantAnimation* spring(QObject* owner, double response, double dampingFraction, double from, double to, Apply apply);
QVariantAnimation* timed(QObject* owner, double seconds, QEasingCurve::Type curve, double from, double to, Apply apply);
// Repeats from `from` to `to` forever; `reverse` goes back again each time (one leg lasts
// `seconds`). A loop owned by a widget runs only while the widget is on the screen.
QVariantAnimation* loop(QObject* owner, double seconds, QEasingCurve::Type curve, double from, double to, bool reverse,
                        Apply apply);
// Runs `then` after `seconds` of the shared clock unless `owner` has gone by then; at once for
// no delay, or with Motion::instant().
void after(double seconds, QObject* owner, std::function<void()> then);
// Fades `widget` in (shown first) or out (hidden at the end) by the standard animation. A later
// fade of the same widget takes over; at its end the widget is visible only while `wanted()`.
void fade(QWidget* widget, bool in, std::function<bool()> wanted);
// Whether a widget above `widget` is drawn through a graphics effect (fading, say). An effect of
// its own would then find the painter taken and draw nothing, so the fades here end at once.
bool insideEffect(const QWidget* widget);
// Fades `widget` in from nothing by the standard animation; the effect goes when it is done.
void appear(QWidget* widget);

} // namespace Animator

// A value that moves to each new target by a spring, starting from where it is and as fast as
// it is going, so that a retarget mid-way stays smooth.
class SpringValue : public QObject {
    Q_OBJECT
public:
    // The standard animation when `response` is 0, else this fixed spring.
    SpringValue(QObject* owner, double value, Animator::Apply apply, double response = 0, double dampingFraction = 0);

    double value() const { return value_; }
    double target() const { return target_; }
    void setTarget(double target);
    // Jumps there without motion.
    void setValue(double value);

private:
    Animator::Apply apply_;
    double response_, damping_;
    double value_, target_;
    double velocity_ = 0;
    QPointer<QVariantAnimation> running_;
};
