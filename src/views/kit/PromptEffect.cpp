#include "views/kit/PromptEffect.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidget>

PromptEffect::PromptEffect(QWidget* card, QColor backdrop, double cornerRadius, QObject* parent)
    : QGraphicsEffect(parent), card_(card), backdrop_(backdrop), radius_(cornerRadius) {}

void PromptEffect::set(double opacity, double scale) {
    if (opacity == opacity_ && scale == scale_)
        return;
    opacity_ = opacity;
    scale_ = scale;
    update();
}

void PromptEffect::draw(QPainter* painter) {
    if (opacity_ <= 0)
        return;
    QPoint offset;
    const QPixmap picture = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
    painter->save();
    painter->setOpacity(painter->opacity() * opacity_);
    if (!card_ || scale_ == 1) {
        painter->drawPixmap(offset, picture);
        painter->restore();
        return;
    }
    const QRect card = card_->geometry();
    const QRect whole(offset, picture.deviceIndependentSize().toSize());
    painter->setClipRegion(QRegion(whole) - QRegion(card));
    painter->drawPixmap(offset, picture);
    painter->setClipping(false);
    painter->fillRect(card, backdrop_);

    QRectF scaled(QPointF(), QSizeF(card.size()) * scale_);
    scaled.moveCenter(QRectF(card).center());
    QPainterPath shape;
    shape.addRoundedRect(scaled, radius_ * scale_, radius_ * scale_);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setClipPath(shape);
    const double ratio = picture.devicePixelRatio();
    painter->drawPixmap(scaled, picture, QRectF(QPointF(card.topLeft() - offset) * ratio, QSizeF(card.size()) * ratio));
    painter->restore();
}
