#pragma once

#include <QGraphicsOpacityEffect>

// The opacity effect every fade uses. It stands aside at full opacity: Qt draws a fully opaque
// effect straight through the painter it holds, so an effect inside it (a child's own fade)
// would find that painter taken and draw nothing. Switched off, the widget draws as if it had
// no effect, and the children's effects draw as usual.
class FadeEffect : public QGraphicsOpacityEffect {
    Q_OBJECT
public:
    explicit FadeEffect(QObject* parent, double opacity = 1);
};
