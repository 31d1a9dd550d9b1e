#include "account/ui/AccountButton.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "views/kit/Animator.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace {
constexpr double padX = 12;
constexpr double regularHeight = 24;
constexpr double largeHeight = 36;
} // namespace

AccountButton::AccountButton(const QString& title, Look look, QWidget* parent) : QAbstractButton(parent), look_(look) {
    setText(title);
    setAccessibleName(title);
    setFont(look == Look::link ? Fonts::font(Fonts::Role::callout) : Fonts::system(13, QFont::Medium));
    setCursor(look == Look::link ? Qt::PointingHandCursor : Qt::ArrowCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
}

void AccountButton::setLarge(bool large) {
    large_ = large;
    setFont(large ? Fonts::system(14, QFont::DemiBold) : Fonts::system(13, QFont::Medium));
    setSizePolicy(large ? QSizePolicy::Expanding : QSizePolicy::Fixed, QSizePolicy::Fixed);
    updateGeometry();
}

void AccountButton::setBusy(bool busy) {
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy && !spinner_)
        spinner_ = Animator::loop(this, 0.9, QEasingCurve::Linear, 0, 1, false, [this](double turn) {
            spin_ = turn;
            update();
        });
    else if (!busy && spinner_) {
        spinner_->stop(); // it deletes itself, later
        spinner_ = nullptr;
    }
    update();
}

void AccountButton::setWidthFor(const QStringList& titles) {
    widthTitles_ = titles;
    updateGeometry();
}

QSize AccountButton::sizeHint() const {
    const QFontMetricsF metrics(font());
    double textWidth = metrics.horizontalAdvance(text());
    for (const QString& title : widthTitles_)
        textWidth = std::max(textWidth, metrics.horizontalAdvance(title));
    if (look_ == Look::link)
        return QSize(int(std::ceil(textWidth)) + 2, int(std::ceil(metrics.height())) + 2);
    return QSize(int(std::ceil(textWidth + padX * 2)), int(large_ ? largeHeight : regularHeight));
}

void AccountButton::keyPressEvent(QKeyEvent* event) {
    // Return belongs to the view's default action, not to whichever button has the focus.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void AccountButton::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool pressed = isDown();
    painter.setOpacity(isEnabled() ? 1 : 0.45);

    if (look_ == Look::link) {
        QColor ink = palette.accent();
        if (pressed)
            ink = ink.darker(130);
        painter.setPen(ink);
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
        return;
    }

    const double radius = large_ ? 8 : 6;
    QPainterPath shape;
    shape.addRoundedRect(box, radius, radius);
    QColor ink;
    if (look_ == Look::prominent) {
        QColor fill = palette.accent();
        if (pressed)
            fill = fill.darker(115);
        painter.fillPath(shape, fill);
        ink = Qt::white;
    } else {
        QColor fill = palette.isDark() ? QColor(88, 88, 92) : palette.controlBackground();
        if (pressed)
            fill = fill.darker(112);
        painter.fillPath(shape, fill);
        painter.setPen(QPen(palette.primary(palette.isDark() ? 0.08 : 0.16), 1));
        painter.drawPath(shape);
        ink = palette.text();
    }
    if (hasFocus()) {
        QColor ring = palette.accent();
        ring.setAlphaF(0.5f);
        painter.setPen(QPen(ring, 2));
        painter.drawPath(shape);
    }
    if (!busy_) {
        painter.setPen(ink);
        painter.drawText(rect(), Qt::AlignCenter, text());
        return;
    }
    // The small spinning indicator, in white, where the title was.
    const double side = 16;
    const QRectF ring(rect().center().x() - side / 2 + 0.5, rect().center().y() - side / 2 + 0.5, side, side);
    painter.setPen(QPen(QColor(255, 255, 255, 70), 2.2));
    painter.drawEllipse(ring);
    painter.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(ring, int(-spin_ * 360 * 16) + 90 * 16, 100 * 16);
}
