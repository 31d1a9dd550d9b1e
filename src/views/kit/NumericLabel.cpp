#include "views/kit/NumericLabel.h"

#include "views/kit/Animator.h"

#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
// How far a going or coming piece travels, as a share of the line's height.
constexpr double rise = 0.6;
} // namespace

NumericLabel::NumericLabel(const QFont& font, const Palette::Ink& ink, QWidget* parent) : QWidget(parent), ink_(ink) {
    setFont(font);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize NumericLabel::sizeHint() const {
    const QFontMetricsF metrics(font());
    return {static_cast<int>(std::ceil(metrics.horizontalAdvance(text_))),
            static_cast<int>(std::ceil(metrics.height()))};
}

void NumericLabel::setText(const QString& text) {
    if (text == text_)
        return;
    // A roll still running is taken as done: the next one starts from its end.
    if (rolling_)
        rolling_->stop();
    rolling_ = nullptr;
    old_ = std::exchange(text_, text);
    setAccessibleName(text_);
    updateGeometry();
    update();
    if (old_.isEmpty() || !isVisible())
        return;
    pieces_ = NumericTransition::between(old_, text_);
    progress_ = 0;
    rolling_ = Animator::standard(this, 0, 1, [this](double p) {
        progress_ = p;
        update();
    });
    if (rolling_)
        connect(rolling_, &QAbstractAnimation::finished, this, [this] {
            rolling_ = nullptr;
            update();
        });
}

void NumericLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font());
    painter.setPen(ink_.colour());
    const QFontMetricsF metrics(font());
    const double baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    if (!rolling_) {
        painter.drawText(QPointF(0, baseline), text_);
        return;
    }
    // The spring may pass its end for a moment; places follow it, opacities stop at the ends.
    const double p = progress_, shown = std::clamp(progress_, 0.0, 1.0);
    const double travel = metrics.height() * rise;
    for (const NumericTransition::Piece& piece : pieces_) {
        const double was = piece.from >= 0 ? metrics.horizontalAdvance(old_.left(piece.from)) : 0;
        const double is = piece.to >= 0 ? metrics.horizontalAdvance(text_.left(piece.to)) : 0;
        if (piece.from >= 0 && piece.to >= 0) {
            painter.setOpacity(1);
            painter.drawText(QPointF(was + (is - was) * p, baseline), piece.text);
        } else if (piece.to >= 0) {
            painter.setOpacity(shown);
            painter.drawText(QPointF(is, baseline + travel * (1 - p)), piece.text);
        } else {
            painter.setOpacity(1 - shown);
            painter.drawText(QPointF(was, baseline - travel * p), piece.text);
        }
    }
}
