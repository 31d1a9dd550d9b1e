#include "onboarding/LiveOnboardingHooks.h"

#include "onboarding/Setup.h"

#include "runtime/MainThread.h"

LiveOnboardingHooks& LiveOnboardingHooks::shared() {
    QL_ASSERT_MAIN_THREAD();
    static LiveOnboardingHooks hooks;
    return hooks;
}

void LiveOnboardingHooks::install(Setup* setup, Windows windows) {
    setup_ = setup;
    windows_ = std::move(windows);
}

bool LiveOnboardingHooks::takeOverFromOtherCopies() {
    if (!setup_)
        return true;
    if (!setup_->takeOverFromOtherCopies())
        return false;
    // This copy is the one that runs from now on.
    setup_->followLoginItem();
    return true;
}

std::optional<SetupStep> LiveOnboardingHooks::needs() { return setup_ ? setup_->needs() : std::nullopt; }

void LiveOnboardingHooks::showSetupWindow(SetupStep start) {
    if (windows_.setup)
        windows_.setup(start);
}

void LiveOnboardingHooks::showOnboarding() {
    if (windows_.welcome)
        windows_.welcome();
}

void LiveOnboardingHooks::startTour() {
    if (windows_.tour)
        windows_.tour();
}
