#include "onboarding/ui/ReplacingSymbol.h"

#include "platform/gui/Symbols.h"
#include "views/kit/Animator.h"

#include <QPainter>

#include <algorithm>

ReplacingSymbol::ReplacingSymbol(int size, QWidget* parent) : QWidget(parent) { setFixedSize(size, size); }

void ReplacingSymbol::setSymbol(const QString& name, const QColor& colour) {
    if (name != name_ && !name_.isEmpty()) {
        before_ = name_;
        was_ = colour_;
        if (running_)
            running_->stop();
        replaced_ = 0;
        running_ = Animator::spring(this, 0.4, 0.85, 0, 1, [this](double value) {
            replaced_ = value;
            update();
        });
    }
    name_ = name;
    colour_ = colour;
    update();
}

void ReplacingSymbol::paint(QPainter& painter, const QRectF& box, const QString& before, const QColor& was,
                            const QString& after, const QColor& is, double w, double from) {
    const double shown = std::clamp(w, 0.0, 1.0);
    const double opacity = painter.opacity();
    painter.save();
    if (shown < 1 && !before.isEmpty()) {
        painter.setOpacity(opacity * (1 - shown));
        Symbols::paint(painter, box, before, was);
    }
    painter.setOpacity(opacity * shown);
    const double scale = from + (1 - from) * w;
    const QPointF centre = box.center();
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);
    Symbols::paint(painter, box, after, is);
    painter.restore();
}

void ReplacingSymbol::paintEvent(QPaintEvent*) {
    if (name_.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter, QRectF(rect()), before_, was_, name_, colour_, replaced_, 0.5);
}
