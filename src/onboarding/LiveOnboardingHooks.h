#pragma once

#include "store/OnboardingHooks.h"

#include <functional>

class Setup;

// The first run's seam of the store and the shell: the launch housekeeping through `Setup`, the
// windows through what the views install. Until the composition root installs them, no other
// copy is looked for, no step is due and nothing opens.
class LiveOnboardingHooks final : public OnboardingHooks {
public:
    struct Windows {
        std::function<void(SetupStep start)> setup;
        std::function<void()> welcome;
        std::function<void()> tour;
    };

    // The one the standard store uses; the composition root installs into it.
    static LiveOnboardingHooks& shared();

    // `setup` is not owned.
    void install(Setup* setup, Windows windows);

    bool takeOverFromOtherCopies() override;
    std::optional<SetupStep> needs() override;
    void showSetupWindow(SetupStep start) override;
    void showOnboarding() override;
    void startTour() override;

private:
    Setup* setup_ = nullptr;
    Windows windows_;
};
