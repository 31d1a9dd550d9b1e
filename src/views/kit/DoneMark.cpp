#include "views/kit/DoneMark.h"

#include "platform/desktop/DesktopSettings.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "views/kit/Animator.h"

#include <QPainter>

#include <cmath>

namespace {
constexpr double glyph = 17, spacing = 5;
}

DoneMark::DoneMark(QString title, QWidget* parent) : QWidget(parent), title_(std::move(title)) {
    setFont(Fonts::system(11.5, QFont::DemiBold));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (DesktopSettings::shared().reduceMotion()) {
        scale_ = 1;
        Animator::timed(this, 0.2, QEasingCurve::InQuad, 0, 1, [this](double v) {
            opacity_ = v;
            update();
        });
    } else {
        // One spring lands both: the symbol overshoots a little past full size and settles.
        Animator::spring(this, 0.38, 0.55, 0, 1, [this](double v) {
            scale_ = 0.3 + 0.7 * v;
            opacity_ = std::clamp(v, 0.0, 1.0);
            update();
        });
    }
}

QSize DoneMark::sizeHint() const {
    const QFontMetricsF metrics(font());
    return QSize(static_cast<int>(std::ceil(glyph + spacing + metrics.horizontalAdvance(title_))),
                 static_cast<int>(std::max(glyph, std::ceil(metrics.height()))));
}

void DoneMark::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    const QColor green = palette.hue(Palette::Hue::green);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(opacity_);
    const double left = width() - sizeHint().width();
    const QRectF mark(left, height() / 2.0 - glyph / 2, glyph, glyph);
    painter.save();
    painter.translate(mark.center());
    painter.scale(scale_, scale_);
    painter.translate(-mark.center());
    Symbols::paint(painter, mark, QStringLiteral("checkmark.circle.fill"), green, Qt::white);
    painter.restore();
    painter.setPen(green);
    painter.drawText(QRectF(mark.right() + spacing, 0, width(), height()), Qt::AlignVCenter | Qt::AlignLeft, title_);
}
