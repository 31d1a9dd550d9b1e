#include "onboarding/ui/GhostButton.h"

#include "onboarding/ui/WelcomeColors.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Symbols.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

GhostButton::GhostButton(const QString& title, QWidget* parent) : QAbstractButton(parent) {
    setText(title);
    setFont(Fonts::system(13, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
}

GhostButton* GhostButton::symbol(const QString& symbol, const QString& name, QWidget* parent) {
    auto* button = new GhostButton(QString(), parent);
    button->symbol_ = symbol;
    button->setAccessibleName(name);
    return button;
}

QSize GhostButton::sizeHint() const {
    const double label = symbol_.isEmpty() ? QFontMetricsF(font()).horizontalAdvance(text()) : 20;
    return QSize(int(std::ceil(label + 32)), 34);
}

void GhostButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF shape = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath capsule;
    capsule.addRoundedRect(shape, shape.height() / 2, shape.height() / 2);
    painter.fillPath(capsule, WelcomeColors::white(isDown() ? 0.16 : 0.08));
    painter.setPen(QPen(WelcomeColors::white(0.16), 1));
    painter.drawPath(capsule);
    const QColor label = WelcomeColors::white(0.85);
    if (!symbol_.isEmpty()) {
        QRectF box(0, 0, 14, 14);
        box.moveCenter(shape.center());
        Symbols::paint(painter, box, symbol_, label);
        return;
    }
    painter.setPen(label);
    painter.drawText(shape, Qt::AlignCenter, text());
}
