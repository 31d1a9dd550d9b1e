#include "views/kit/ModalCard.h"

#include "views/kit/SoftShadow.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>

ModalCard::ModalCard(int width, Palette::Material material, QWidget* parent) : QWidget(parent), material_(material) {
    setFixedWidth(width);
    setAccessibleDescription(QStringLiteral("modal"));
    column_ = new QVBoxLayout(this);
    column_->setContentsMargins(22, 22, 22, 22);
}

void ModalCard::centreIn(const QRect& area) {
    const int w = width();
    const int wanted =
        column_->hasHeightForWidth() ? column_->totalHeightForWidth(w) : column_->totalSizeHint().height();
    resize(w, wanted);
    move(area.x() + (area.width() - w) / 2, area.y() + std::max(0, (area.height() - wanted) / 2));
}

bool ModalCard::cycleFocus(QWidget* prompt, bool next) {
    QList<QWidget*> ring;
    for (QWidget* w = prompt->nextInFocusChain(); w && w != prompt; w = w->nextInFocusChain())
        if (prompt->isAncestorOf(w) && w->isVisibleTo(prompt) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
            ring.append(w);
    if (ring.isEmpty())
        return false;
    const qsizetype at = ring.indexOf(QApplication::focusWidget());
    const qsizetype to = at < 0 ? 0 : (at + (next ? 1 : ring.size() - 1)) % ring.size();
    ring.at(to)->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void ModalCard::paintShadow(QPainter& painter) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    SoftShadow::paint(painter, QRectF(geometry()), 20, QColor(0, 0, 0, 64), 30, QPointF(0, 10));
    painter.restore();
}

void ModalCard::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 20, 20);
    // Over the dimmed window the material alone would let the dashboard show through.
    painter.fillPath(shape, palette.window());
    painter.fillPath(shape, palette.material(material_));
    painter.setPen(QPen(palette.primary(0.08), 1));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 19.5, 19.5);
}
