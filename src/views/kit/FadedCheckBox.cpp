#include "views/kit/FadedCheckBox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

void FadedCheckBox::setOpacity(double opacity) {
    if (opacity_ == opacity)
        return;
    opacity_ = opacity;
    update();
}

void FadedCheckBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    painter.setOpacity(opacity_);
    QStyleOptionButton option;
    initStyleOption(&option);
    painter.drawControl(QStyle::CE_CheckBox, option);
}
