#include "views/kit/PressMotion.h"

#include "views/kit/Animator.h"

#include <QAbstractButton>
#include <QPainter>

namespace PressMotion {

SpringValue* attach(QAbstractButton* button, double* press) {
    auto* motion = new SpringValue(
        button, 0,
        [button, press](double value) {
            *press = value;
            button->update();
        },
        0.25, 0.7);
    QObject::connect(button, &QAbstractButton::pressed, motion, [motion] { motion->setTarget(1); });
    QObject::connect(button, &QAbstractButton::released, motion, [motion] { motion->setTarget(0); });
    return motion;
}

void shrink(QPainter& painter, const QRectF& box, double by, double press) {
    const double scale = 1 - by * press;
    painter.translate(box.center());
    painter.scale(scale, scale);
    painter.translate(-box.center());
}

} // namespace PressMotion
