#pragma once

#include "onboarding/OnboardingModel.h"

#include <QCoro/QCoroTask>

#include <functional>
#include <memory>

class Clock;
class Prefs;
class Setup;

// The welcome window's life: opening it, or bringing the open one forward, and finishing the
// introduction, which settles the first-run questions and opens the main window.
class Onboarding {
public:
    struct Environment {
        Prefs* prefs = nullptr;
        Setup* setup = nullptr;
        Clock* clock = nullptr;
        bool sandbox = false;
        // The welcome window, drawn by the views: opened for a model, brought forward, closed.
        std::function<void(OnboardingModel& model)> openWindow;
        std::function<bool()> windowOpen;
        std::function<void()> bringForward;
        std::function<void()> closeWindow;
        std::function<void()> openMainWindow;
        std::function<void()> startTour;
    };

    explicit Onboarding(Environment environment);

    void show();
    // Skip, "Start Using Quenlark", "Sign In" (false) and "Take the Tour" (true).
    void finish(bool tour);

    // The most recent window's model; it outlives its window.
    OnboardingModel* model() const { return model_.get(); }

private:
    static QCoro::Task<void> tourLater(Clock* clock, std::function<void()> startTour);

    Environment e_;
    std::unique_ptr<OnboardingModel> model_;
};
