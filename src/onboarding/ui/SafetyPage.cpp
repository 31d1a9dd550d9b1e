#include "onboarding/ui/SafetyPage.h"

#include "model/Motion.h"
#include "model/Spring.h"
#include "onboarding/WelcomePage.h"
#include "onboarding/ui/PageText.h"
#include "onboarding/ui/ReplacingSymbol.h"
#include "onboarding/ui/WelcomeColors.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "views/kit/Animator.h"

#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

// The shield beside the steps, drawn from the page's round.
class SafetyPage::Checklist : public QWidget {
public:
    Checklist(const SafetyPage& page, QWidget* parent)
        : QWidget(parent), page_(page), steps_(WelcomePage::safetySteps()) {
        setFixedSize(470, 170);
        setAccessibleName(WelcomePage::safetySummary(steps_));
        if (!Motion::reduced())
            Animator::loop(this, 1, QEasingCurve::Linear, 0, 1, false, [this](double) { update(); });
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const int done = page_.done();
        const bool all = done == steps_.size();
        const QColor green = Palette::dark().hue(Palette::Hue::green);
        const double shield = all ? page_.passed(int(steps_.size()) - 1) : 0;
        // A new symbol springs in over the one it replaces while that one fades out.
        ReplacingSymbol::paint(p, QRectF(13, 0, 64, 64), QStringLiteral("shield.lefthalf.filled"),
                               WelcomeColors::blue(), QStringLiteral("checkmark.shield.fill"), green, shield, 0.8);
        p.setFont(Fonts::system(14, QFont::Medium));
        double y = 0;
        for (qsizetype i = 0; i < steps_.size(); ++i) {
            const double w = i < done ? page_.passed(int(i)) : 0;
            ReplacingSymbol::paint(p, QRectF(116, y + 2, 18, 18), QStringLiteral("circle"), WelcomeColors::white(0.3),
                                   QStringLiteral("checkmark.circle.fill"), green, w, 0.5);
            p.setPen(WelcomeColors::white(0.45 + 0.55 * std::clamp(w, 0.0, 1.0)));
            p.drawText(QRectF(144, y, 330, 22), Qt::AlignLeft | Qt::AlignVCenter, steps_[i]);
            y += 22 + 11;
        }
    }

private:
    const SafetyPage& page_;
    QStringList steps_;
};

SafetyPage::SafetyPage(QWidget* parent) : QWidget(parent) {
    since_.start();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(26);
    layout->addSpacing(60);
    layout->addWidget(new Checklist(*this, this), 0, Qt::AlignHCenter);
    const WelcomePage::Text text = WelcomePage::text(WelcomePage::Page::safety);
    layout->addWidget(new PageText(text.title, text.subtitle, this));
    layout->addStretch(1);
}

int SafetyPage::done() const {
    const int steps = int(WelcomePage::safetySteps().size());
    // A round starts when the page comes up; reduced motion shows them all passed.
    return Motion::reduced() ? steps : WelcomePage::safetyDone(since_.elapsed() / 1000.0, steps);
}

double SafetyPage::passed(int step) const {
    const int steps = int(WelcomePage::safetySteps().size());
    if (Motion::reduced())
        return 1;
    const double since = WelcomePage::safetySince(since_.elapsed() / 1000.0, step, steps);
    return since < 0 ? 0 : Spring(0.35, 0.7, 0, 1).value(since);
}
