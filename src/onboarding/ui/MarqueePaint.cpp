#include "onboarding/ui/MarqueePaint.h"

#include "model/Motion.h"
#include "platform/system/ReferenceDate.h"
#include "runtime/Clock.h"
#include "views/kit/Animator.h"

#include <QPainter>

#include <cmath>

namespace MarqueePaint {

void start(QWidget* widget) {
    widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (!Motion::reduced())
        Animator::loop(widget, 1, QEasingCurve::Linear, 0, 1, false, [widget](double) { widget->update(); });
}

double seconds() { return Motion::reduced() ? 0 : ReferenceDate::seconds(Clock::shared().now()); }

QLinearGradient mask(double length, Qt::Orientation fade) {
    const bool vertical = fade == Qt::Vertical;
    QLinearGradient mask(0, 0, vertical ? 0 : length, vertical ? length : 0);
    mask.setColorAt(0, Qt::transparent);
    mask.setColorAt(1.0 / 3, Qt::black);
    mask.setColorAt(2.0 / 3, Qt::black);
    mask.setColorAt(1, Qt::transparent);
    return mask;
}

void faded(QWidget* widget, QImage& layer, Qt::Orientation fade, const std::function<void(QPainter&)>& draw) {
    const double ratio = widget->devicePixelRatioF();
    const QSize size = widget->size() * ratio;
    if (layer.size() != size || layer.devicePixelRatio() != ratio) {
        layer = QImage(size, QImage::Format_ARGB32_Premultiplied);
        layer.setDevicePixelRatio(ratio);
    }
    layer.fill(Qt::transparent);
    {
        QPainter painter(&layer);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.save();
        draw(painter);
        painter.restore();
        // Only the two fading bands: between them the mask is opaque and changes nothing.
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        const bool vertical = fade == Qt::Vertical;
        const double length = vertical ? widget->height() : widget->width();
        const QLinearGradient gradient = mask(length, fade);
        const double band = std::ceil(length / 3);
        const QRectF rect(widget->rect());
        const QRectF first = vertical ? rect.adjusted(0, 0, 0, band - length) : rect.adjusted(0, 0, band - length, 0);
        const QRectF second = vertical ? rect.adjusted(0, length - band, 0, 0) : rect.adjusted(length - band, 0, 0, 0);
        painter.fillRect(first, gradient);
        painter.fillRect(second, gradient);
    }
    QPainter(widget).drawImage(0, 0, layer);
}

} // namespace MarqueePaint
