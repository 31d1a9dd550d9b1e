#include "views/cards/VersionPill.h"

#include "views/kit/Animator.h"

#include <QPainter>

VersionPill::VersionPill(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    motion_ = new SpringValue(this, 0, [this](double v) {
        face_.setReveal(v);
        updateGeometry();
        update();
    });
}

void VersionPill::setPill(const VersionPillModel::Pill& pill) {
    face_.setPill(pill, *motion_, isVisible());
    setToolTip(pill.help);
    updateGeometry();
    update();
}

void VersionPill::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    face_.paint(painter, QRectF(rect()));
}
