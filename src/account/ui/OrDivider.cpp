#include "account/ui/OrDivider.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"

#include <QPainter>

#include <cmath>

namespace {
constexpr double spacing = 10;
} // namespace

OrDivider::OrDivider(QWidget* parent) : QWidget(parent) {
    setFont(Fonts::caption());
    setAccessibleName(tr("or with email"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize OrDivider::sizeHint() const { return minimumSizeHint(); }

QSize OrDivider::minimumSizeHint() const {
    const QFontMetricsF metrics(font());
    return QSize(int(std::ceil(metrics.horizontalAdvance(accessibleName()) + spacing * 2)),
                 int(std::ceil(metrics.height())));
}

void OrDivider::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    const QString text = accessibleName();
    const double textWidth = QFontMetricsF(font()).horizontalAdvance(text);
    const double line = (width() - textWidth - spacing * 2) / 2;
    const double y = std::floor(height() / 2.0);
    painter.fillRect(QRectF(0, y, line, 1), palette.primary(0.10));
    painter.fillRect(QRectF(width() - line, y, line, 1), palette.primary(0.10));
    painter.setPen(palette.secondary());
    painter.drawText(QRectF(line + spacing, 0, textWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, text);
}
