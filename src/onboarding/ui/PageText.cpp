#include "onboarding/ui/PageText.h"

#include "model/Motion.h"
#include "onboarding/ui/WelcomeColors.h"
#include "platform/gui/Fonts.h"
#include "views/kit/Animator.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int gap = 10, subtitleWidth = 480, rise = 14;

QLabel* centred(const QString& text, const QFont& font, const QColor& colour, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

// Gives `label` its text colour `base` at `t` of its opacity.
void tint(QLabel* label, const QColor& base, double t) {
    QColor colour = base;
    colour.setAlphaF(float(base.alphaF() * t));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

// The texts are placed by hand rather than by a layout: a layout puts a label back in its place
// whenever it runs, and a wrapped label it sized before the block had its width keeps one line.
// Each text gets the height its lines need at the block's width every time it is placed.
PageText::PageText(const QString& title, const QString& subtitle, QWidget* parent)
    : QWidget(parent), reserve_(Motion::reduced() ? 0 : rise) {
    title_ = centred(QString(), Fonts::system(30, QFont::ExtraBold), Qt::white, this);
    // Its lines sit 2 further apart than the font's own spacing, which only rich text can say.
    title_->setTextFormat(Qt::RichText);
    title_->setText(u"<p style=\"-qt-line-height-type:line-distance; line-height:%1px\">"_s.arg(titleLineSpacing) +
                    title.toHtmlEscaped().replace(u'\n', u"<br>"_s) + u"</p>"_s);
    subtitle_ = centred(subtitle, Fonts::system(14.5), WelcomeColors::white(0.58), this);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(QString(title).replace(QLatin1Char('\n'), QLatin1Char(' ')) + QStringLiteral(". ") + subtitle);
}

// Both texts, and under them the room they rise through, so the block keeps one height while
// they come in and nothing below it moves.
int PageText::heightForWidth(int width) const {
    return title_->heightForWidth(width) + gap + subtitle_->heightForWidth(std::min(subtitleWidth, width)) + reserve_;
}

QSize PageText::sizeHint() const {
    const int width = std::max(subtitleWidth, title_->sizeHint().width());
    return {width, heightForWidth(width)};
}

QSize PageText::minimumSizeHint() const { return {subtitleWidth, heightForWidth(subtitleWidth)}; }

void PageText::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
}

void PageText::place() {
    const int titleHeight = title_->heightForWidth(width());
    title_->setGeometry(0, int(std::lround(titleDrop_)), width(), titleHeight);
    const int wide = std::min(subtitleWidth, width());
    subtitle_->setGeometry((width() - wide) / 2, titleHeight + gap + int(std::lround(subtitleDrop_)), wide,
                           subtitle_->heightForWidth(wide));
}

// Fades `label` in over 0.42 s after `delay`, rising through the reserve. The text's colour fades
// rather than an opacity effect: the page comes in under an effect of its own, and an effect drawn
// inside another finds its painter taken and draws nothing. The title, starting first, is always
// at most as low as the subtitle, so the two never overlap.
void PageText::enter(QLabel* label, double& drop, int delayMs) {
    const QColor base = label->palette().color(QPalette::WindowText);
    tint(label, base, 0);
    drop = reserve_;
    place();
    QPointer<QLabel> target(label);
    QTimer::singleShot(delayMs, label, [this, target, &drop, base] {
        Animator::timed(target, 0.42, QEasingCurve::OutCubic, 0, 1, [this, target, &drop, base](double t) {
            if (!target)
                return;
            tint(target, base, std::clamp(t, 0.0, 1.0));
            drop = (1 - std::clamp(t, 0.0, 1.0)) * reserve_;
            place();
        });
    });
}

void PageText::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    enter(title_, titleDrop_, 60);
    enter(subtitle_, subtitleDrop_, 160);
}
