#include "views/cards/VersionPill.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/PaintCache.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "views/kit/Animator.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
constexpr double padX = 9, padY = 3.5, spacing = 5, arrow = 8.5;

QFont boldFont(const QFont& base) {
    QFont font = base;
    font.setWeight(QFont::DemiBold);
    return font;
}
} // namespace

VersionPill::VersionPill(QWidget* parent) : QWidget(parent) {
    setFont(Fonts::system(11.5));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    motion_ = new SpringValue(this, 0, [this](double v) {
        reveal_ = v;
        updateGeometry();
        update();
    });
}

void VersionPill::setPill(const VersionPillModel::Pill& pill) {
    const bool wasShowing = pill_.latest.has_value();
    pill_ = pill;
    setToolTip(pill.help);
    if (pill.latest)
        shownLatest_ = *pill.latest;
    const bool showing = pill.latest.has_value();
    if (showing != wasShowing || motion_->target() != (showing ? 1 : 0)) {
        if (!isVisible())
            motion_->setValue(showing ? 1 : 0);
        else
            motion_->setTarget(showing ? 1 : 0);
    }
    updateGeometry();
    update();
}

double VersionPill::latestWidth() const {
    if (shownLatest_.isEmpty())
        return 0;
    return spacing + arrow + spacing + QFontMetricsF(boldFont(font())).horizontalAdvance(shownLatest_);
}

QSize VersionPill::sizeHint() const {
    const QFontMetricsF metrics(font());
    const double width = padX * 2 + metrics.horizontalAdvance(pill_.installed) + latestWidth() * reveal_;
    return QSize(static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(metrics.height() + padY * 2)));
}

void VersionPill::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF shape(QPointF(0, (height() - sizeHint().height()) / 2.0), QSizeF(sizeHint()));
    QPainterPath capsule;
    capsule.addRoundedRect(shape, shape.height() / 2, shape.height() / 2);
    QColor fill = palette.quaternary();
    fill.setAlphaF(fill.alphaF() * 0.55f);
    PaintCache::fillRounded(painter, shape, shape.height() / 2, fill);
    painter.setClipPath(capsule);

    const QFontMetricsF metrics(font());
    double x = shape.left() + padX;
    painter.setPen(pill_.showsLatest ? palette.secondary() : palette.text());
    painter.drawText(QRectF(x, shape.top(), shape.width(), shape.height()), Qt::AlignVCenter | Qt::AlignLeft,
                     pill_.installed);
    x += metrics.horizontalAdvance(pill_.installed);
    if (reveal_ <= 0.001 || shownLatest_.isEmpty())
        return;
    // The latest version enters from the leading side as it fades in.
    painter.setOpacity(std::clamp(reveal_, 0.0, 1.0));
    const double slide = (1 - std::clamp(reveal_, 0.0, 1.0)) * -8;
    x += spacing + slide;
    Symbols::paint(painter, QRectF(x, shape.center().y() - arrow / 2, arrow, arrow), QStringLiteral("arrow.right"),
                   palette.tertiary());
    x += arrow + spacing;
    painter.setFont(boldFont(font()));
    painter.setPen(palette.accent());
    painter.drawText(QRectF(x, shape.top(), shape.width(), shape.height()), Qt::AlignVCenter | Qt::AlignLeft,
                     shownLatest_);
}
