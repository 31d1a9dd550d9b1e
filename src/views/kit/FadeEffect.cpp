#include "views/kit/FadeEffect.h"

FadeEffect::FadeEffect(QObject* parent, double opacity) : QGraphicsOpacityEffect(parent) {
    setOpacity(opacity);
    setEnabled(opacity < 1);
    connect(this, &QGraphicsOpacityEffect::opacityChanged, this, [this](qreal now) { setEnabled(now < 1); });
}
