#include "account/ui/Fade.h"

#include "views/kit/Animator.h"
#include "views/kit/FadeEffect.h"

#include <QGraphicsOpacityEffect>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <functional>

namespace {
// What the widget was last asked to be; a fade that ends against it does nothing more.
constexpr char wanted[] = "quenlarkFadeShown";
} // namespace

namespace Fade {

namespace {
// Drives the widget's opacity from `from` to `to`, then calls `done` unless another fade took
// its place.
void fade(QWidget* widget, double from, double to, std::function<void(QWidget*)> done) {
    if (Animator::insideEffect(widget)) {
        widget->setGraphicsEffect(nullptr);
        if (done)
            done(widget);
        return;
    }
    QPointer<QGraphicsOpacityEffect> effect = new FadeEffect(widget);
    effect->setOpacity(from);
    widget->setGraphicsEffect(effect);
    QPointer<QWidget> target(widget);
    Animator::standard(widget, from, to, [target, effect, to, done = std::move(done)](double v) {
        if (!target || !effect || target->graphicsEffect() != effect)
            return;
        effect->setOpacity(std::clamp(v, 0.0, 1.0));
        if (v != to)
            return;
        target->setGraphicsEffect(nullptr);
        if (done)
            done(target);
    });
}
} // namespace

void in(QWidget* widget) { fade(widget, 0, 1, {}); }

void setShown(QWidget* widget, bool shown) {
    const QVariant asked = widget->property(wanted);
    if (asked.isValid() ? asked.toBool() == shown : widget->isVisibleTo(widget->parentWidget()) == shown)
        return;
    const bool first = !asked.isValid();
    widget->setProperty(wanted, shown);
    if (first || !widget->parentWidget() || !widget->parentWidget()->isVisible()) {
        widget->setVisible(shown); // nothing on screen yet to animate
        return;
    }
    if (shown)
        widget->show();
    fade(widget, shown ? 0 : 1, shown ? 1 : 0, [shown](QWidget* target) {
        if (!shown && !target->property(wanted).toBool())
            target->hide();
    });
}

} // namespace Fade
