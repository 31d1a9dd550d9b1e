#include "app/LiveCollaborators.h"

#include "account/LiveAccountHooks.h"
#include "install/Leftovers.h"
#include "install/Updater.h"
#include "library/LiveLibraryHooks.h"
#include "library/DeviceID.h"
#include "model/Prefs.h"
#include "model/Scanner.h"
#include "notch/NotchDesktop.h"
#include "notch/LiveNotchHooks.h"
#include "onboarding/LiveOnboardingHooks.h"
#include "platform/desktop/DesktopNotifier.h"
#include "runtime/Blocking.h"
#include "runtime/Clock.h"
#include "runtime/Shell.h"
#include "store/Store.h"
#include "store/LiveUpdateEngine.h"

namespace {

QCoro::Task<std::optional<InstalledApp>> readInBackground(QString url, QString folder) {
    auto work = [url, folder] { return Scanner::read(url, folder); };
    co_return co_await Blocking::run(work, Blocking::Pool::Scan);
}

QCoro::Task<QList<Processes::RunningApp>> runningInBackground(InstalledApp app) {
    auto work = [app] { return Updater::running(app); };
    co_return co_await Blocking::run(work);
}

} // namespace

Store::Collaborators LiveCollaborators::make() {
    Store::Collaborators c;
    c.scan = [](QStringList folders) { return Scanner::scanInBackground(std::move(folders)); };
    c.read = [](QString url, QString folder) { return readInBackground(std::move(url), std::move(folder)); };
    c.checker = [](Endpoints endpoints, std::shared_ptr<BrewIndex> brew) {
        return Checker(std::move(endpoints), std::move(brew));
    };
    c.updater = [](QString applications, std::optional<QString> trash,
                   std::optional<QString> sandbox) -> std::unique_ptr<UpdateEngine> {
        return std::make_unique<LiveUpdateEngine>(applications, std::move(trash), std::move(sandbox));
    };
    c.running = [](InstalledApp app) { return runningInBackground(std::move(app)); };
    c.terminate = [](Processes::RunningApp app) { Processes::terminate(app.pid); };
    c.leftovers = [](InstalledApp app, QString library, QStringList zap, QSet<QString> installed) {
        return Leftovers::search(std::move(app), std::move(library), std::move(zap), std::move(installed));
    };
    c.appManagement = [] { return Permissions::appManagement(); };
    c.notifications = [] { return Permissions::notifications(); };
    c.deviceID = [] { return DeviceID::current(); };
    c.notifier = std::make_shared<DesktopNotifier>();
    // These collaborators serve the shared store only, so the scheduler reads that one.
    c.notch = std::make_shared<LiveNotchHooks>(Prefs::shared(), NotchDesktop::current(),
                                               []() -> Store& { return Store::shared(); });
    c.account = std::make_shared<LiveAccountHooks>();
    c.library = std::make_shared<LiveLibraryHooks>();
    // The shared hooks outlive the store; the composition root installs the first run into them.
    c.onboarding = std::shared_ptr<OnboardingHooks>(&LiveOnboardingHooks::shared(), [](OnboardingHooks*) {});
    c.shell = &Shell::current();
    c.clock = &Clock::shared();
    c.prefs = &Prefs::shared();
    c.options = Store::Options::fromLaunch();
    return c;
}
