#pragma once

#include "store/SetupStep.h"

#include <optional>

// What the store and the shell ask of the first run, the tour and the setup window.
class OnboardingHooks {
public:
    virtual ~OnboardingHooks() = default;

    // A newer running copy is brought forward and this process ends; older ones are quit and the
    // login item follows this copy. False when this process ends, so the launch stops there.
    virtual bool takeOverFromOtherCopies() = 0;
    // The first setup step still due: moving into Applications, else the login item.
    virtual std::optional<SetupStep> needs() = 0;
    // Opens the setup window at `start`, or moves the open one there, and brings it forward.
    virtual void showSetupWindow(SetupStep start) = 0;
    // Opens the welcome window, or brings the open one forward.
    virtual void showOnboarding() = 0;
    // Starts the guided tour in the main window.
    virtual void startTour() = 0;
};
