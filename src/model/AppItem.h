#pragma once

#include "model/Attempt.h"
#include "model/InstallPhase.h"
#include "model/InstalledApp.h"
#include "model/Release.h"
#include "model/Status.h"
#include "runtime/Observed.h"

#include <QObject>
#include <QStringList>

// The observable row of one application, identified by its bundle path. GUI thread only; made
// with makeShared<AppItem>(app). Status, checking, phase and the log tell observers only of a
// change; app, attempts and release tell them on every assignment.
class AppItem final : public QObject {
    Q_OBJECT
public:
    explicit AppItem(InstalledApp app);

    // The bundle path, read through the observed app.
    QString id() const { return app_.get().url; }

    const InstalledApp& app() const { return app_.get(); }
    const Status& status() const { return status_.get(); }
    bool checking() const { return checking_.get(); }
    const QList<Attempt>& attempts() const { return attempts_.get(); }
    const std::optional<Release>& release() const { return release_.get(); }
    const InstallPhase& phase() const { return phase_.get(); }
    const QStringList& installLog() const { return installLog_.get(); }

    void setApp(InstalledApp app) { app_.set(std::move(app)); }
    void setStatus(Status status) { status_.set(std::move(status)); }
    void setChecking(bool checking) { checking_.set(checking); }
    void setAttempts(QList<Attempt> attempts) { attempts_.set(std::move(attempts)); }
    void setRelease(std::optional<Release> release) { release_.set(std::move(release)); }
    void setPhase(InstallPhase phase) { phase_.set(std::move(phase)); }
    void setInstallLog(QStringList log) { installLog_.set(std::move(log)); }

private:
    Observed<InstalledApp, Notify::Always> app_;
    Observed<Status> status_{Status::checking()};
    Observed<bool> checking_{false};
    Observed<QList<Attempt>, Notify::Always> attempts_;
    Observed<std::optional<Release>, Notify::Always> release_;
    Observed<InstallPhase> phase_{InstallPhase::idle()};
    Observed<QStringList> installLog_;
};
