#include "views/cards/VersionPillFace.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/PaintCache.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "views/kit/Animator.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {
constexpr double padX = 9, padY = 3.5, spacing = 5, arrow = 8.5;

QFont font() {
    return Fonts::system(11.5);
}

QFont boldFont() {
    return Fonts::system(11.5, QFont::DemiBold);
}
} // namespace

void VersionPillFace::setPill(const VersionPillModel::Pill& pill, SpringValue& motion, bool onScreen) {
    const bool wasShowing = pill_.latest.has_value();
    pill_ = pill;
    if (pill.latest)
        shownLatest_ = *pill.latest;
    const double target = pill_.latest ? 1 : 0;
    if (pill_.latest.has_value() == wasShowing && motion.target() == target)
        return;
    if (onScreen)
        motion.setTarget(target);
    else
        motion.setValue(target);
}

double VersionPillFace::latestWidth() const {
    if (shownLatest_.isEmpty())
        return 0;
    return spacing + arrow + spacing + QFontMetricsF(boldFont()).horizontalAdvance(shownLatest_);
}

QSize VersionPillFace::size() const {
    const QFontMetricsF metrics(font());
    const double width = padX * 2 + metrics.horizontalAdvance(pill_.installed) + latestWidth() * reveal_;
    return QSize(static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(metrics.height() + padY * 2)));
}

void VersionPillFace::paint(QPainter& painter, const QRectF& area) const {
    const Palette& palette = Palette::current();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QSizeF extent(size());
    const QRectF shape(QPointF(area.left(), area.top() + (area.height() - extent.height()) / 2), extent);
    QColor fill = palette.quaternary();
    fill.setAlphaF(fill.alphaF() * 0.55f);
    PaintCache::fillRounded(painter, shape, shape.height() / 2, fill);

    const QFontMetricsF metrics(font());
    double x = shape.left() + padX;
    painter.setFont(font());
    painter.setPen(pill_.showsLatest ? palette.secondary() : palette.text());
    painter.drawText(QRectF(x, shape.top(), shape.width(), shape.height()), Qt::AlignVCenter | Qt::AlignLeft,
                     pill_.installed);
    x += metrics.horizontalAdvance(pill_.installed);
    if (reveal_ > 0.001 && !shownLatest_.isEmpty()) {
        // Clipped to the capsule only while the latest version is shown: a clip path costs every
        // repaint of a row that shows the installed version alone.
        QPainterPath capsule;
        capsule.addRoundedRect(shape, shape.height() / 2, shape.height() / 2);
        painter.setClipPath(capsule, Qt::IntersectClip);
        const double shown = std::clamp(reveal_, 0.0, 1.0);
        painter.setOpacity(painter.opacity() * shown);
        x += spacing + (1 - shown) * -8;
        Symbols::paint(painter, QRectF(x, shape.center().y() - arrow / 2, arrow, arrow), QStringLiteral("arrow.right"),
                       palette.tertiary());
        x += arrow + spacing;
        painter.setFont(boldFont());
        painter.setPen(palette.accent());
        painter.drawText(QRectF(x, shape.top(), shape.width(), shape.height()), Qt::AlignVCenter | Qt::AlignLeft,
                         shownLatest_);
    }
    painter.restore();
}
