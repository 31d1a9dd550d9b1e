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

// Made once and kept for the process: a font made afresh per row is looked up afresh.
const QFont& font() {
    static const QFont* regular = new QFont(Fonts::system(11.5));
    return *regular;
}

const QFont& boldFont() {
    static const QFont* bold = new QFont(Fonts::system(11.5, QFont::DemiBold));
    return *bold;
}
} // namespace

void VersionPillFace::setPill(const VersionPillModel::Pill& pill, SpringValue& motion, bool onScreen) {
    const bool wasShowing = pill_.latest.has_value();
    // The update landed: the installed version reads as the latest did, and a latest part
    // leaving beside it would say it twice.
    const bool landed = wasShowing && !pill.latest && pill.installed == shownLatest_;
    if (pill.installed != pill_.installed)
        installedWidth_ = -1;
    if (pill.latest && *pill.latest != shownLatest_) {
        shownLatest_ = *pill.latest;
        latestWidth_ = -1;
    }
    pill_ = pill;
    measure();
    const double target = pill_.latest ? 1 : 0;
    if (pill_.latest.has_value() == wasShowing && motion.target() == target)
        return;
    if (onScreen && !landed)
        motion.setTarget(target);
    else
        motion.setValue(target);
}

void VersionPillFace::setReveal(double reveal) {
    reveal_ = reveal;
    measure();
}

void VersionPillFace::measure() {
    const QFontMetricsF metrics(font());
    if (installedWidth_ < 0)
        installedWidth_ = metrics.horizontalAdvance(pill_.installed);
    if (latestWidth_ < 0)
        latestWidth_ = shownLatest_.isEmpty()
                           ? 0
                           : spacing + arrow + spacing + QFontMetricsF(boldFont()).horizontalAdvance(shownLatest_);
    const double width = padX * 2 + installedWidth_ + latestWidth_ * reveal_;
    size_ = QSize(static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(metrics.height() + padY * 2)));
}

void VersionPillFace::paint(QPainter& painter, const QRectF& area) const {
    const Palette& palette = Palette::current();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QSizeF extent(size_);
    const QRectF shape(QPointF(area.left(), area.top() + (area.height() - extent.height()) / 2), extent);
    QColor fill = palette.quaternary();
    fill.setAlphaF(fill.alphaF() * 0.55f);
    PaintCache::fillRounded(painter, shape, shape.height() / 2, fill);

    double x = shape.left() + padX;
    painter.setFont(font());
    painter.setPen(pill_.showsLatest ? palette.secondary() : palette.text());
    painter.drawText(QRectF(x, shape.top(), shape.width(), shape.height()), Qt::AlignVCenter | Qt::AlignLeft,
                     pill_.installed);
    x += installedWidth_;
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
