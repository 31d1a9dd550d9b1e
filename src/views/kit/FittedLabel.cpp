#include "views/kit/FittedLabel.h"

#include <QPainter>

#include <cmath>

FittedLabel::FittedLabel(const QFont& font, Palette::Ink ink, double minimumScale, QWidget* parent)
    : QWidget(parent), font_(font), ink_(std::move(ink)), minimumScale_(minimumScale) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void FittedLabel::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void FittedLabel::setColor(const Palette::Ink& ink) {
    ink_ = ink;
    update();
}

QFont FittedLabel::fitted() const {
    const double natural = QFontMetricsF(font_).horizontalAdvance(text_);
    if (natural <= width() || natural <= 0)
        return font_;
    QFont smaller = font_;
    smaller.setPointSizeF(font_.pointSizeF() * std::max(minimumScale_, width() / natural));
    return smaller;
}

QSize FittedLabel::sizeHint() const {
    const QFontMetricsF metrics(font_);
    return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(text_))),
                 static_cast<int>(std::ceil(metrics.height())));
}

QSize FittedLabel::minimumSizeHint() const { return QSize(0, sizeHint().height()); }

void FittedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFont font = fitted();
    painter.setFont(font);
    painter.setPen(ink_.colour());
    const QString shown = QFontMetricsF(font).elidedText(text_, Qt::ElideRight, width());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, shown);
}
