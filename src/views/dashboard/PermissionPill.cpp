#include "views/dashboard/PermissionPill.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/PaintCache.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
constexpr double padX = 10, padY = 5, gap = 5, glyph = 12.5;
}

PermissionPill::PermissionPill(QWidget* parent) : QAbstractButton(parent) {
    setFont(Fonts::system(11.5, QFont::Medium));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void PermissionPill::setPill(const PermissionModel::Pill& pill) {
    pill_ = pill;
    setToolTip(PermissionModel::tooltip(pill));
    setAccessibleName(PermissionModel::accessibilityLabel(pill));
    updateGeometry();
    update();
}

QSize PermissionPill::sizeHint() const {
    const QFontMetricsF metrics(font());
    const double content = glyph + gap + metrics.horizontalAdvance(pill_.title) + gap +
                           metrics.horizontalAdvance(PermissionModel::stateWord(pill_));
    return QSize(static_cast<int>(std::ceil(content + 2 * padX)),
                 static_cast<int>(std::ceil(std::max(metrics.height(), glyph) + 2 * padY)));
}

void PermissionPill::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    const QColor colour = palette.tint(PermissionModel::hue(pill_));
    QColor fill = colour;
    fill.setAlphaF(static_cast<float>(colour.alphaF() * PermissionModel::backgroundOpacity(pill_)));
    PaintCache::fillRounded(painter, box, box.height() / 2, fill);
    if (hasFocus()) {
        QPainterPath capsule;
        capsule.addRoundedRect(box, box.height() / 2, box.height() / 2);
        painter.setPen(QPen(palette.accent(), 1.5));
        painter.drawPath(capsule);
    }

    const QFontMetricsF metrics(font());
    double x = padX;
    Symbols::paint(painter, QRectF(x, box.center().y() - glyph / 2, glyph, glyph), PermissionModel::symbol(pill_),
                   colour, palette.window());
    x += glyph + gap;
    painter.setFont(font());
    painter.setPen(colour);
    const double title = metrics.horizontalAdvance(pill_.title);
    painter.drawText(QRectF(x, 0, title + 1, box.height()), Qt::AlignLeft | Qt::AlignVCenter, pill_.title);
    x += title + gap;
    painter.setPen(palette.secondary());
    painter.drawText(QRectF(x, 0, box.width() - x, box.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     PermissionModel::stateWord(pill_));
}
