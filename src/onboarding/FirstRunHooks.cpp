#include "onboarding/FirstRunHooks.h"

#include "onboarding/Setup.h"

#include "runtime/MainThread.h"

FirstRunHooks& FirstRunHooks::shared() {
    QL_ASSERT_MAIN_THREAD();
    static FirstRunHooks hooks;
    return hooks;
}

void FirstRunHooks::install(Setup* setup, Windows windows) {
    setup_ = setup;
    windows_ = std::move(windows);
}

bool FirstRunHooks::takeOverFromOtherCopies() {
    if (!setup_)
        return true;
    if (!setup_->takeOverFromOtherCopies())
        return false;
    // This copy is the one that runs from now on.
    setup_->followLoginItem();
    return true;
}

std::optional<SetupStep> FirstRunHooks::needs() { return setup_ ? setup_->needs() : std::nullopt; }

void FirstRunHooks::showSetupWindow(SetupStep start) {
    if (windows_.setup)
        windows_.setup(start);
}

void FirstRunHooks::showOnboarding() {
    if (windows_.welcome)
        windows_.welcome();
}

void FirstRunHooks::startTour() {
    if (windows_.tour)
        windows_.tour();
}
