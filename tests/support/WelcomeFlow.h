#pragma once

#include "StoreHarness.h"

#include "onboarding/Onboarding.h"
#include "onboarding/OnboardingModel.h"
#include "onboarding/ui/OnboardingView.h"

// The welcome's flow over a store harness and a setup, its windows the caller's: showing and
// finishing it open, close and start nothing. `view` is what a welcome window's content needs.
class WelcomeFlow {
public:
    WelcomeFlow(StoreHarness& h, Store& store, ::Setup& setup)
        : h_(h), store_(store), setup_(setup), onboarding_(environment(h, setup)) {}

    Onboarding& onboarding() { return onboarding_; }

    OnboardingView::Environment view(OnboardingModel& model) {
        OnboardingView::Environment e;
        e.model = &model;
        e.onboarding = &onboarding_;
        e.setup = &setup_;
        e.store = &store_;
        e.prefs = h_.prefs.get();
        e.openPermissionSettings = [] {};
        return e;
    }

private:
    static Onboarding::Environment environment(StoreHarness& h, ::Setup& setup) {
        Onboarding::Environment flow;
        flow.prefs = h.prefs.get();
        flow.setup = &setup;
        flow.clock = &h.clock;
        flow.openWindow = [](OnboardingModel&) {};
        flow.windowOpen = [] { return false; };
        flow.bringForward = flow.closeWindow = flow.openMainWindow = flow.startTour = [] {};
        return flow;
    }

    StoreHarness& h_;
    Store& store_;
    ::Setup& setup_;
    Onboarding onboarding_;
};
