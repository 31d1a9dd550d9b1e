#include "onboarding/Onboarding.h"

#include "model/Prefs.h"
#include "onboarding/Setup.h"
#include "runtime/Clock.h"
#include "runtime/Spawn.h"

#include <chrono>

Onboarding::Onboarding(Environment environment) : e_(std::move(environment)) {}

void Onboarding::show() {
    if (e_.windowOpen()) {
        e_.bringForward();
        return;
    }
    model_ = std::make_unique<OnboardingModel>(e_.setup->loginEnabled());
    e_.openWindow(*model_);
}

void Onboarding::finish(bool tour) {
    e_.prefs->setOnboarded(true);
    if (!e_.sandbox && model_ && model_->login() != e_.setup->loginEnabled())
        e_.setup->setLogin(model_->login());
    e_.setup->answeredBoth();
    e_.closeWindow();
    e_.openMainWindow();
    if (tour)
        spawn(tourLater(e_.clock, e_.startTour), "tour");
}

QCoro::Task<void> Onboarding::tourLater(Clock* clock, std::function<void()> startTour) {
    // The main window is up before the tour's overlay is drawn over it.
    auto sleeping = clock->sleep(std::chrono::milliseconds(600));
    if (co_await std::move(sleeping))
        startTour();
}
