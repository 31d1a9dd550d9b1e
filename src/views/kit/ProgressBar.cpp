#include "views/kit/ProgressBar.h"

#include "platform/desktop/DesktopSettings.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "views/kit/Animator.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {
constexpr double trackWidth = 66, trackHeight = 6, segment = 24, spacing = 8, labelWidth = 58;
}

double ProgressBar::labelRoom() const {
    // The frame is widened for a label the font draws wider, so a phase's word is never cut.
    return std::max(labelWidth, std::ceil(QFontMetricsF(font()).horizontalAdvance(label_)));
}

ProgressBar::ProgressBar(std::optional<double> value, QString label, QWidget* parent)
    : QWidget(parent), label_(std::move(label)), reduced_(DesktopSettings::shared().reduceMotion()) {
    setFont(Fonts::system(10.5, QFont::Medium));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    value_ = value;
    shown_ = value.value_or(0);
    if (!value)
        startSweep();
}

void ProgressBar::startSweep() {
    // With Reduce Motion the segment stays at the start and only pulses.
    sweeping_ = Animator::loop(this, 0.75, QEasingCurve::InOutQuad, 0, 1, true, [this](double v) {
        sweep_ = v;
        update();
    });
}

void ProgressBar::setValue(std::optional<double> value, const QString& label) {
    if (label != label_) {
        label_ = label;
        updateGeometry();
    }
    const bool wasIndeterminate = !value_;
    value_ = value;
    if (!value) {
        if (!sweeping_)
            startSweep();
        update();
        return;
    }
    if (sweeping_) {
        sweeping_->stop(); // it deletes itself, later
        sweeping_ = nullptr;
    }
    if (fill_)
        fill_->stop();
    if (wasIndeterminate)
        shown_ = *value;
    fill_ = Animator::timed(this, 0.25, QEasingCurve::OutQuad, shown_, *value, [this](double v) {
        shown_ = v;
        update();
    });
    update();
}

QSize ProgressBar::sizeHint() const {
    const QFontMetricsF metrics(font());
    return QSize(static_cast<int>(trackWidth + spacing + labelRoom()),
                 static_cast<int>(std::ceil(std::max(trackHeight, metrics.height()))));
}

void ProgressBar::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double left = width() - sizeHint().width();
    const QRectF track(left, height() / 2.0 - trackHeight / 2, trackWidth, trackHeight);
    QPainterPath clip;
    clip.addRoundedRect(track, trackHeight / 2, trackHeight / 2);
    painter.fillPath(clip, palette.quaternary());
    painter.setClipPath(clip);
    QRectF bar = track;
    if (value_) {
        bar.setWidth(std::max(std::clamp(shown_, 0.0, 1.0) * trackWidth, trackHeight));
    } else {
        bar.setWidth(segment);
        if (reduced_)
            painter.setOpacity(0.4 + 0.6 * sweep_);
        else
            bar.moveLeft(track.left() + (trackWidth - segment) * sweep_);
    }
    QPainterPath fill;
    fill.addRoundedRect(bar, trackHeight / 2, trackHeight / 2);
    painter.fillPath(fill, palette.accentGradient(bar));
    painter.setClipping(false);
    painter.setOpacity(1);
    painter.setPen(palette.secondary());
    painter.drawText(QRectF(track.right() + spacing, 0, labelRoom(), height()), Qt::AlignVCenter | Qt::AlignLeft,
                     label_);
}
