#pragma once

#include "onboarding/OnboardingHooks.h"

// Until the first run exists: no other copy is looked for, no step is due, nothing opens.
class NoOnboardingHooks final : public OnboardingHooks {
public:
    void takeOverFromOtherCopies() override {}
    std::optional<SetupStep> needs() override { return std::nullopt; }
    void showSetupWindow(SetupStep) override {}
    void showOnboarding() override {}
    void startTour() override {}
};
