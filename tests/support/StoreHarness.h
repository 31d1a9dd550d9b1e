#pragma once

#include "FakeClock.h"
#include "FakeShell.h"

#include "model/Prefs.h"
#include "platform/desktop/Notifier.h"
#include "store/AccountHooks.h"
#include "store/LibraryHooks.h"
#include "store/NotchHooks.h"
#include "store/OnboardingHooks.h"
#include "store/Store.h"
#include "store/UpdateEngine.h"

#include <QHash>
#include <QSet>
#include <QTemporaryDir>

#include <memory>

// A store built from fakes: a scan that returns `apps`, checks answered from `releases` (by
// appcast URL) after `checkDelay` of virtual time, a scripted engine, running copies that quit
// after a number of polls, recorded notifications, notch requests and library syncs.
class StoreHarness {
public:
    StoreHarness();
    ~StoreHarness();

    // Builds (or rebuilds) the store from the current settings of the harness.
    Store& build();
    Store& store() { return *store_; }

    // An application with an appcast, so its check never reaches the cask catalogue.
    static InstalledApp app(const QString& name, const QString& version = QStringLiteral("1.0"),
                            const QString& folder = QStringLiteral("/Applications"));
    // A release the app may install (a Team ID on the app side, a download here).
    static Release release(const QString& version, SourceKind kind = SourceKind::sparkle);
    void offer(const InstalledApp& app, const Release& release);

    // Runs `task` and reports when it finished.
    template <typename T>
    std::shared_ptr<bool> start(QCoro::Task<T>&& task) {
        auto done = std::make_shared<bool>(false);
        drive(std::move(task), done);
        return done;
    }
    // Advances virtual time in small steps until `done` or `limit` has passed.
    bool settle(const std::shared_ptr<bool>& done, double limitSeconds = 600);

    std::shared_ptr<AppItem> row(const QString& name) const;

    FakeClock clock;
    FakeShell shell;
    QTemporaryDir dir;
    std::unique_ptr<Prefs> prefs;
    Store::Options options;

    // The scan, the checker and the engine are the real ones (for runs against a served demo).
    bool real = false;
    QList<InstalledApp> apps;
    QStringList scannedFolders;
    QHash<QString, Release> releases; // by appcast URL
    Clock::Duration checkDelay{0};
    int activeChecks = 0;
    int mostChecks = 0;
    int checks = 0;

    // The engine: `installDelay` of virtual time, then `installNotes` or `installError`.
    Clock::Duration installDelay{1000};
    QStringList installNotes{QStringLiteral("Checked.")};
    std::exception_ptr installError;
    std::exception_ptr buildError;
    QList<InstallPhase> reportPhases;  // reported during the install
    UpdateEngine::Phase phaseCallback; // the last install's, to report late
    QStringList installed;             // names, in order
    QStringList engineFolders;
    std::optional<QString> engineTrash;
    // The engine's install of a library app.
    std::function<QCoro::Task<Updater::Fresh>(Updater::Recorded, QList<Release>, Updater::Consent, UpdateEngine::Phase)>
        restoreInstall;
    std::function<void(const InstalledApp&)> uninstallEffect;
    std::exception_ptr uninstallError;
    QStringList uninstalledData;

    QHash<QString, int> runningPolls; // bundle path -> polls that still find it running
    int polls = 0;
    QStringList terminated;
    QSet<QString> runningErrors; // bundle paths whose look for running copies throws
    QSet<QString> readErrors;    // bundle paths whose reading again throws

    std::optional<InstalledApp> reread; // what reading the bundle again gives (else the old one)

    Permissions::State appManagementAnswer = Permissions::State::unknown;
    Permissions::AuthorizationStatus notificationAnswer = Permissions::AuthorizationStatus::authorized;
    int appManagementProbes = 0;

    struct Posted {
        QString identifier, title, body;
    };
    bool notificationsGranted = true;
    QList<Posted> posted;
    QList<NotchTrigger> notchRequests;
    int librarySyncs = 0;
    std::optional<Session> savedSession;
    bool slowKeyring = false; // the keyring's answer takes a second of the fake clock
    // The account seam in place of the recording one (the real stored session, for example).
    std::shared_ptr<AccountHooks> account;
    // What the default library seam answers: the account's apps and Macs.
    QList<LibraryApp> libraryApps;
    QList<Device> libraryDevices;
    // The library seam in place of the empty one.
    std::shared_ptr<LibraryHooks> library;
    // The token renewal in place of the real one against `cloud`.
    std::function<QCoro::Task<Session>(Session, CloudConfig)> renew;
    // The notch seam in place of the recording one.
    std::shared_ptr<NotchHooks> notch;
    // The first run's seam; none unless a test sets one.
    std::shared_ptr<OnboardingHooks> onboarding;
    // The back end; with one, the store's identity calls and library client are real ones.
    std::optional<CloudConfig> cloud;
    QString deviceID = QStringLiteral("dhere");

private:
    template <typename T>
    static QCoro::Task<void> drive(QCoro::Task<T> task, std::shared_ptr<bool> done) {
        co_await std::move(task);
        *done = true;
    }

    std::unique_ptr<Store> store_;
};
