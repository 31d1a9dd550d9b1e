#include "views/kit/SwitchRow.h"

#include "platform/gui/Palette.h"
#include "views/kit/FocusRing.h"
#include "views/kit/Switch.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int gap = 12;

} // namespace

SwitchRow::SwitchRow(const QString& title, QWidget* parent) : QAbstractButton(parent) {
    setText(title);
    setAccessibleName(title);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    switch_ = new Switch(QString(), this);
    switch_->setAttribute(Qt::WA_TransparentForMouseEvents);
    switch_->setFocusPolicy(Qt::NoFocus);
    connect(this, &QAbstractButton::toggled, switch_, &QAbstractButton::setChecked);
}

QSize SwitchRow::sizeHint() const {
    const QSize track = switch_->sizeHint();
    return {fontMetrics().horizontalAdvance(text()) + gap + track.width(),
            std::max(track.height(), fontMetrics().height()) + 2};
}

void SwitchRow::resizeEvent(QResizeEvent*) {
    const QSize track = switch_->sizeHint();
    switch_->setGeometry(width() - track.width() - 1, (height() - track.height()) / 2, track.width(), track.height());
}

void SwitchRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!isEnabled())
        painter.setOpacity(0.45);
    const QRect words(0, 0, switch_->x() - gap, height());
    painter.setPen(Palette::current().text());
    painter.drawText(words, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, words.width()));
    if (hasFocus()) {
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF track = QRectF(switch_->geometry());
        QPainterPath capsule;
        capsule.addRoundedRect(track, track.height() / 2, track.height() / 2);
        FocusRing::paint(painter, capsule, Palette::current());
    }
}
