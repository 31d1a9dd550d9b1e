#include "onboarding/ui/PageText.h"

#include "model/Motion.h"
#include "onboarding/ui/WelcomeColors.h"
#include "platform/gui/Fonts.h"
#include "views/kit/Animator.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

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

// Fades `label` in over 0.42 s after `delay`, rising from 14 below unless motion is reduced. The
// text's colour fades rather than an opacity effect: the page comes in under an effect of its
// own, and an effect drawn inside another finds its painter taken and draws nothing.
void enter(QLabel* label, int delayMs) {
    const QColor base = label->palette().color(QPalette::WindowText);
    tint(label, base, 0);
    const int rise = Motion::reduced() ? 0 : 14;
    label->setContentsMargins(0, rise, 0, 0);
    label->setMaximumHeight(QWIDGETSIZE_MAX);
    QPointer<QLabel> target(label);
    QTimer::singleShot(delayMs, label, [target, base, rise] {
        Animator::timed(target, 0.42, QEasingCurve::OutCubic, 0, 1, [target, base, rise](double t) {
            if (!target)
                return;
            tint(target, base, std::clamp(t, 0.0, 1.0));
            target->setContentsMargins(0, int(std::lround((1 - t) * rise)), 0, int(std::lround(t * rise)));
        });
    });
}

} // namespace

PageText::PageText(const QString& title, const QString& subtitle, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    title_ = centred(title, Fonts::system(30, QFont::Black), Qt::white, this);
    subtitle_ = centred(subtitle, Fonts::system(14.5), WelcomeColors::white(0.58), this);
    // A wrapping label takes the width it is given: the title the page's, the subtitle 480.
    subtitle_->setFixedWidth(480);
    // Its lines, and the 14 it rises through as it comes in.
    subtitle_->setFixedHeight(subtitle_->heightForWidth(480) + 14);
    layout->addWidget(title_);
    layout->addWidget(subtitle_, 0, Qt::AlignHCenter);
    setAccessibleName(QString(title).replace(QLatin1Char('\n'), QLatin1Char(' ')) + QStringLiteral(". ") + subtitle);
}

void PageText::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    enter(title_, 60);
    enter(subtitle_, 160);
}
