#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

class Clock;
class NotchHooks;
class OnboardingHooks;
class Prefs;
class StatusItem;
class Store;

// The launch sequence, the became-active observer and the reopen rule.
class AppDelegate final : public QObject {
    Q_OBJECT
public:
    struct Environment {
        Store* store = nullptr;
        Prefs* prefs = nullptr;
        NotchHooks* notch = nullptr;
        OnboardingHooks* onboarding = nullptr;
        StatusItem* statusItem = nullptr;
        Clock* clock = nullptr;
        std::optional<QString> sandbox;
        // The quiet start's policy: no dock icon.
        std::function<void()> becomeAccessory;
        // Ends the first refresh's task (the benchmark listens for it).
        std::function<void()> firstRefreshFinished;
        // How long ago the process started: the window's wait counts from then, so the work of
        // starting up is done while it waits rather than before.
        std::function<std::chrono::milliseconds()> sinceStart;
    };

    // `args`: the launch arguments. A login launch is one with "--background": the autostart
    // entry carries it.
    AppDelegate(Environment environment, const QStringList& args);

    bool quietStart() const { return quietStart_; }

    void willFinishLaunching();
    // The ten launch steps, in order.
    void didFinishLaunching();
    // A reopen (a second launch of this bundle): true leaves it to the platform's default.
    bool shouldHandleReopen();
    void becameActive();

private:
    Environment e_;
    bool quietStart_ = false;
};
