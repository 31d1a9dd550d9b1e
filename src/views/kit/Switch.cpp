#include "views/kit/Switch.h"

#include "platform/gui/Palette.h"
#include "views/kit/FocusRing.h"
#include "views/kit/Animator.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

Switch::Switch(const QString& accessibleName, QWidget* parent, std::function<Palette()> palette)
    : QAbstractButton(parent), palette_(std::move(palette)) {
    setCheckable(true);
    setAccessibleName(accessibleName);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
    motion_ = new SpringValue(this, 0, [this](double value) {
        on_ = value;
        update();
    });
    // Set before the window shows, the state is simply there: no slide on first display.
    connect(this, &QAbstractButton::toggled, this, [this](bool on) {
        if (isVisible())
            motion_->setTarget(on ? 1 : 0);
        else
            motion_->setValue(on ? 1 : 0);
    });
}

void Switch::paintEvent(QPaintEvent*) {
    const Palette palette = palette_ ? palette_() : Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1 : 0.45);
    QRectF track(QPointF(0, 0), QSizeF(sizeHint()));
    track.moveCenter(QRectF(rect()).center());
    const double radius = track.height() / 2;
    QPainterPath capsule;
    capsule.addRoundedRect(track, radius, radius);
    // The off track is the faint fill of the appearance; the accent grows over it as it turns on.
    painter.fillPath(capsule, palette.primary(isDown() ? 0.22 : 0.16));
    QColor accent = palette.accent();
    // The knob may overshoot with the spring; the fill can not.
    accent.setAlphaF(float(std::clamp(on_, 0.0, 1.0)));
    painter.fillPath(capsule, accent);
    const double knob = track.height() - 4;
    const QRectF disc(track.left() + 2 + on_ * (track.width() - knob - 4), track.top() + 2, knob, knob);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(disc.translated(0, 0.6));
    painter.setBrush(Qt::white);
    painter.drawEllipse(disc);
    if (hasFocus())
        FocusRing::paint(painter, capsule, palette);
}
