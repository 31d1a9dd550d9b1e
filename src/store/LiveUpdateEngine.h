#pragma once

#include "store/UpdateEngine.h"

#include "install/Updater.h"

#include <optional>

// The real engine: the updater for one folder, and the removal on the work pool.
class LiveUpdateEngine final : public UpdateEngine {
public:
    // Throws UpdateError "<path> doesn't exist." when the folder can't be resolved. Under a
    // `sandbox` installer packages put their applications into it, which stands in for
    // /Applications, and a removal boots out no launch agent.
    LiveUpdateEngine(const QString& applications, std::optional<QString> trash, std::optional<QString> sandbox);

    QCoro::Task<QStringList> install(InstalledApp app, Release release, Phase phase) override;
    QCoro::Task<Updater::Fresh> installFirst(Updater::Recorded app, QList<Release> releases, Updater::Consent consent,
                                             Phase phase, CancelToken cancel) override;
    QCoro::Task<QStringList> uninstall(InstalledApp app, QStringList data, QString library, bool permanently) override;

private:
    Updater updater_;
    bool sandboxed_;
};
