#pragma once

#include "install/Updater.h"
#include "model/InstallPhase.h"
#include "model/InstalledApp.h"
#include "model/Release.h"

#include <QCoro/QCoroTask>
#include <QString>
#include <QStringList>

#include <functional>

// The install and removal engine for one applications folder, as the store drives it.
class UpdateEngine {
public:
    virtual ~UpdateEngine() = default;

    // Called with each phase of an install, from any thread.
    using Phase = Updater::Phase;

    // Updates `app` from `release` and returns the notes of the checks that passed. Throws
    // UpdateError (or a file or transfer error) and leaves the installed bundle untouched.
    virtual QCoro::Task<QStringList> install(InstalledApp app, Release release, Phase phase) = 0;
    // Installs the first candidate of an application this Mac lacks that passes every check
    // (Updater::installFirst); `cancel` stops it, an administrator step included.
    virtual QCoro::Task<Updater::Fresh> installFirst(Updater::Recorded app, QList<Release> releases,
                                                     Updater::Consent consent, Phase phase, CancelToken cancel) = 0;
    // Removes the bundle and the leftovers `data` (inside `library`) off the GUI thread and
    // returns the paths removed. Throws what the removal throws.
    virtual QCoro::Task<QStringList> uninstall(InstalledApp app, QStringList data, QString library,
                                               bool permanently) = 0;
};
