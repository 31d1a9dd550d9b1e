#include "onboarding/ui/PageText.h"

#include "model/Motion.h"
#include "onboarding/ui/WelcomeColors.h"
#include "platform/gui/Fonts.h"
#include "views/kit/Animator.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

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

// Fades `label` in over 0.42 s after `delay`, rising from 14 below unless motion is reduced.
// The rise moves the label off the place its layout gives it and takes no room of its own, so
// the block is only as tall as its texts.
void enter(QLabel* label, QLayoutItem* place, int delayMs) {
    auto* effect = new QGraphicsOpacityEffect(label);
    effect->setOpacity(0);
    label->setGraphicsEffect(effect);
    const int rise = Motion::reduced() ? 0 : 14;
    QPointer<QLabel> target(label);
    QTimer::singleShot(delayMs, label, [target, place, rise] {
        Animator::timed(target, 0.42, QEasingCurve::OutCubic, 0, 1, [target, place, rise](double t) {
            if (!target)
                return;
            if (auto* fading = qobject_cast<QGraphicsOpacityEffect*>(target->graphicsEffect()))
                fading->setOpacity(t);
            target->move(target->x(), place->geometry().y() + int(std::lround((1 - t) * rise)));
            if (t >= 1)
                target->setGraphicsEffect(nullptr);
        });
    });
}

} // namespace

PageText::PageText(const QString& title, const QString& subtitle, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    title_ = centred(title, Fonts::system(30, QFont::ExtraBold), Qt::white, this);
    subtitle_ = centred(subtitle, Fonts::system(14.5), WelcomeColors::white(0.58), this);
    // A wrapping label takes the width it is given: the title the page's, the subtitle 480.
    subtitle_->setFixedWidth(480);
    subtitle_->setFixedHeight(subtitle_->heightForWidth(480));
    layout->addWidget(title_);
    layout->addWidget(subtitle_, 0, Qt::AlignHCenter);
    setAccessibleName(QString(title).replace(QLatin1Char('\n'), QLatin1Char(' ')) + QStringLiteral(". ") + subtitle);
}

void PageText::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    enter(title_, layout()->itemAt(0), 60);
    enter(subtitle_, layout()->itemAt(1), 160);
}
