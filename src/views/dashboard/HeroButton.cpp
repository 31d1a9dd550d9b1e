#include "views/dashboard/HeroButton.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/PaintCache.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "views/kit/PressMotion.h"
#include "views/kit/SoftShadow.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
constexpr double padX = 18, capsuleHeight = 34, glyph = 15, gap = 6;
}

HeroButton::HeroButton(QString symbol, const QString& title, QWidget* parent)
    : QAbstractButton(parent), symbol_(std::move(symbol)) {
    setText(title);
    setFont(Fonts::system(14, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    pressMotion_ = PressMotion::attach(this, &press_);
}

QSize HeroButton::sizeHint() const {
    const QFontMetricsF metrics(font());
    return QSize(static_cast<int>(std::ceil(padX * 2 + glyph + gap + metrics.horizontalAdvance(text()))) +
                     2 * shadowRoom,
                 static_cast<int>(capsuleHeight) + 2 * shadowRoom);
}

void HeroButton::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateGeometry();
}

void HeroButton::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(shadowRoom, shadowRoom, -shadowRoom, -shadowRoom);
    PressMotion::shrink(painter, box, 0.04, press_);
    QPainterPath capsule;
    capsule.addRoundedRect(box, box.height() / 2, box.height() / 2);
    // The accent shadow under the accent fill; while disabled, a plain fill and no shadow.
    if (isEnabled()) {
        QColor shadow = palette.accent();
        shadow.setAlphaF(0.35f);
        SoftShadow::paint(painter, box, box.height() / 2, shadow, 8, QPointF(0, 3));
        PaintCache::fillRounded(painter, box, box.height() / 2, palette.accentGradient(box));
    } else {
        PaintCache::fillRounded(painter, box, box.height() / 2, palette.primary(0.08));
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette.primary(0.6), 1.5));
        painter.drawPath(capsule);
    }
    const QColor ink = isEnabled() ? QColor(Qt::white) : palette.secondary();
    const QFontMetricsF metrics(font());
    const double content = glyph + gap + metrics.horizontalAdvance(text());
    const double left = box.center().x() - content / 2;
    // The filled symbol's arrow is cut out of it, showing the capsule's fill.
    const QColor cut = isEnabled() ? palette.accent() : palette.window();
    Symbols::paint(painter, QRectF(left, box.center().y() - glyph / 2, glyph, glyph), symbol_, ink, cut);
    painter.setFont(font());
    painter.setPen(ink);
    painter.drawText(QRectF(left + glyph + gap, box.top(), content - glyph - gap + 1, box.height()),
                     Qt::AlignVCenter | Qt::AlignLeft, text());
}
