#include "app/AppDelegate.h"

#include "app/MainWindow.h"
#include "app/StatusItem.h"
#include "app/Windows.h"
#include "model/Prefs.h"
#include "runtime/Clock.h"
#include "runtime/Spawn.h"
#include "store/NotchHooks.h"
#include "store/OnboardingHooks.h"
#include "store/Store.h"

#include <QPointer>

#include <algorithm>

namespace {

// A step "N s later" on the GUI thread, timed by the clock.
QCoro::Task<void> later(Clock* clock, Clock::Duration delay, std::function<void()> step) {
    // The task is held in a local: GCC 12 destroys temporaries of a co_await in a condition
    // too early.
    auto sleeping = clock->sleep(delay);
    if (co_await std::move(sleeping))
        step();
}

QCoro::Task<void> firstRefresh(Store* store, bool quiet, std::function<void()> finished) {
    auto refreshing = store->refresh({.background = quiet, .everything = quiet});
    co_await std::move(refreshing);
    if (finished)
        finished();
}

} // namespace

AppDelegate::AppDelegate(Environment environment, const QStringList& args)
    : e_(std::move(environment)), quietStart_(args.contains(QStringLiteral("--background"))) {}

void AppDelegate::willFinishLaunching() {
    if (quietStart_ && e_.becomeAccessory)
        e_.becomeAccessory();
}

void AppDelegate::didFinishLaunching() {
    using std::chrono::milliseconds;
    // The chosen appearance first, so that no window is ever drawn in the other one.
    e_.prefs->applyTheme();
    // Settle which copy runs: a copy that ends here opens nothing and starts nothing.
    if (!e_.sandbox && !e_.onboarding->takeOverFromOtherCopies())
        return;
    // The welcome on a first launch, else any setup step still due; neither on a quiet start.
    if (!quietStart_) {
        if (!e_.prefs->onboarded()) {
            OnboardingHooks* onboarding = e_.onboarding;
            spawn(later(e_.clock, milliseconds(400), [onboarding] { onboarding->showOnboarding(); }), "welcome");
        } else if (!e_.sandbox) {
            if (const auto step = e_.onboarding->needs())
                e_.onboarding->showSetupWindow(*step);
        }
    }
    // The schedule, the first use of the store in this start-up.
    e_.store->startSchedule();
    // The main window: hidden on a quiet start, else opened 0.3 s after the process started
    // unless one already shows, so on a first launch it comes before the welcome (0.4 s).
    if (quietStart_) {
        // Hidden, not closed: a close would fold the window into the island.
        QMetaObject::invokeMethod(
            this,
            [] {
                for (QWidget* window : Windows::all()) {
                    if (window->windowTitle() == MainWindow::title)
                        window->hide();
                }
            },
            Qt::QueuedConnection);
    } else {
        Store* store = e_.store;
        const milliseconds wait(300);
        spawn(later(e_.clock, wait - std::min(e_.sinceStart ? e_.sinceStart() : milliseconds(0), wait),
                    [store] {
                        if (!Windows::anyVisible(MainWindow::title))
                            store->openMainWindow();
                    }),
              "main window");
    }
    // The island's scheduler, then the tray item.
    e_.notch->start();
    e_.statusItem->start();
    // The first check (quiet and complete on a quiet start) and the permission refresh, started
    // in this order; neither waits for the other.
    spawn(firstRefresh(e_.store, quietStart_, e_.firstRefreshFinished), "first refresh");
    spawn(e_.store->refreshPermissions(), "permission refresh");
    // becameActive() is called by the application object from here on, for the life of the
    // process.
}

void AppDelegate::becameActive() {
    spawn(e_.store->refreshPermissions(), "permission refresh");
    NotchHooks& notch = *e_.notch;
    if (notch.autoShown() && notch.appInUse()) {
        if (auto island = notch.detach())
            notch.fold(std::move(*island));
    }
}

bool AppDelegate::shouldHandleReopen() {
    QWidget* window = Windows::main(MainWindow::title);
    if (window && (window->isMinimized() || window->isVisible()))
        return true;
    e_.notch->dropWindow();
    return false;
}
