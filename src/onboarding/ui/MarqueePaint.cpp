#include "onboarding/ui/MarqueePaint.h"

#include "model/Motion.h"
#include "platform/system/ReferenceDate.h"
#include "runtime/Clock.h"
#include "views/kit/Animator.h"

#include <QPainter>

namespace MarqueePaint {

void start(QWidget* widget) {
    widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (!Motion::reduced())
        Animator::loop(widget, 1, QEasingCurve::Linear, 0, 1, false, [widget](double) { widget->update(); });
}

double seconds() { return Motion::reduced() ? 0 : ReferenceDate::seconds(Clock::shared().now()); }

void faded(QWidget* widget, Qt::Orientation fade, double solidFrom, const std::function<void(QPainter&)>& draw) {
    const double ratio = widget->devicePixelRatioF();
    QImage layer(widget->size() * ratio, QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    {
        QPainter painter(&layer);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.save();
        draw(painter);
        painter.restore();
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        QLinearGradient mask(0, 0, fade == Qt::Horizontal ? widget->width() : 0,
                             fade == Qt::Vertical ? widget->height() : 0);
        mask.setColorAt(0, Qt::transparent);
        mask.setColorAt(solidFrom, Qt::black);
        mask.setColorAt(1 - solidFrom, Qt::black);
        mask.setColorAt(1, Qt::transparent);
        painter.fillRect(widget->rect(), mask);
    }
    QPainter(widget).drawImage(0, 0, layer);
}

} // namespace MarqueePaint
