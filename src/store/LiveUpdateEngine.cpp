#include "store/LiveUpdateEngine.h"

#include "install/Uninstall.h"
#include "runtime/Blocking.h"

LiveUpdateEngine::LiveUpdateEngine(const QString& applications, std::optional<QString> trash,
                                   std::optional<QString> sandbox)
    : updater_(applications, std::move(trash)), sandboxed_(sandbox.has_value()) {
    updater_.packageApplications = sandbox.value_or(QStringLiteral("/Applications"));
}

QCoro::Task<QStringList> LiveUpdateEngine::install(InstalledApp app, Release release, Phase phase) {
    auto running = updater_.install(std::move(app), std::move(release), std::move(phase));
    co_return co_await std::move(running);
}

QCoro::Task<Updater::Fresh> LiveUpdateEngine::installFirst(Updater::Recorded app, QList<Release> releases,
                                                           Updater::Consent consent, Phase phase, CancelToken cancel) {
    auto running = updater_.installFirst(std::move(app), std::move(releases), std::move(consent), std::move(phase),
                                         std::move(cancel));
    co_return co_await std::move(running);
}

QCoro::Task<QStringList> LiveUpdateEngine::uninstall(InstalledApp app, QStringList data, QString library,
                                                     bool permanently) {
    // The context is filled here, on the GUI thread; the removal reads nothing else.
    const Uninstall::Context context = Uninstall::Context::standard(updater_.applications, updater_.trash, sandboxed_);
    auto work = [app, data, library, permanently, context] {
        return Uninstall::uninstall(app, data, library, permanently, context);
    };
    co_return co_await Blocking::run(work);
}
