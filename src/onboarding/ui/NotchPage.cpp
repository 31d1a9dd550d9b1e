#include "onboarding/ui/NotchPage.h"

#include "onboarding/WelcomePage.h"
#include "onboarding/ui/NotchDemo.h"
#include "onboarding/ui/PageText.h"

#include <QVBoxLayout>

NotchPage::NotchPage(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(24);
    layout->addSpacing(40);
    demo_ = new NotchDemo(this);
    demo_->setFixedSize(560, 220);
    layout->addWidget(demo_, 0, Qt::AlignHCenter);
    const WelcomePage::Text text = WelcomePage::text(WelcomePage::Page::notch);
    layout->addWidget(new PageText(text.title, text.subtitle, this));
    layout->addStretch(1);
}
