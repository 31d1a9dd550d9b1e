#include "account/ui/Fade.h"

#include "views/Animator.h"

#include <QGraphicsOpacityEffect>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <algorithm>

namespace {
// What the widget was last asked to be; a fade that ends against it does nothing more.
constexpr char wanted[] = "quenlarkFadeShown";
} // namespace

namespace Fade {

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
    auto* effect = new QGraphicsOpacityEffect(widget);
    effect->setOpacity(shown ? 0 : 1);
    widget->setGraphicsEffect(effect);
    if (shown)
        widget->show();
    QPointer<QWidget> target(widget);
    Animator::standard(widget, shown ? 0 : 1, shown ? 1 : 0, [target, effect, shown](double v) {
        if (!target || target->graphicsEffect() != effect)
            return;
        effect->setOpacity(std::clamp(v, 0.0, 1.0));
        if (v != (shown ? 1 : 0))
            return;
        target->setGraphicsEffect(nullptr);
        if (!shown && !target->property(wanted).toBool())
            target->hide();
    });
}

} // namespace Fade
