#pragma once

#include "install/Leftover.h"
#include "install/PackageConsent.h"
#include "model/AppItem.h"
#include "model/Filter.h"
#include "model/Permissions.h"
#include "platform/system/Processes.h"
#include "runtime/CancelToken.h"
#include "runtime/Observed.h"
#include "sources/Checker.h"
#include "sources/Endpoints.h"
#include "store/CloudAccess.h"
#include "store/CloudConfig.h"
#include "store/Device.h"
#include "store/LibraryItem.h"
#include "store/LibraryTab.h"
#include "store/Session.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>

class AccountHooks;
class BrewIndex;
class Clock;
class LibraryHooks;
class NotchHooks;
class Notifier;
class OnboardingHooks;
class Prefs;
class Shell;
class UpdateEngine;

// The one observable model of the application: every application row, the state of the
// current refresh, the permissions, the window and tour selections, the account and its
// library. Every user operation is one of its member coroutines; none throws to its caller:
// outcomes land on the rows and the fields, which views observe. GUI thread only.
class Store final : public QObject {
    Q_OBJECT
public:
    using Rows = QList<std::shared_ptr<AppItem>>;
    using LibraryRows = QList<std::shared_ptr<LibraryItem>>;

    // The launch options the store depends on.
    struct Options {
        std::optional<QString> sandbox; // "--sandbox": the one folder scanned
        std::optional<QUrl> mock;       // "--mock": the one base of every update source
        QString home;                   // the user's home folder

        static Options fromLaunch();
    };

    // Everything the store works with, so that tests can hand it fakes.
    struct Collaborators {
        // Scans folders, and reads one bundle again; both off the GUI thread.
        std::function<QCoro::Task<QList<InstalledApp>>(QStringList folders)> scan;
        std::function<QCoro::Task<std::optional<InstalledApp>>(QString url, QString folder)> read;
        // A checker for one refresh or one single check.
        std::function<Checker(Endpoints endpoints, std::shared_ptr<BrewIndex> brew)> checker;
        // The engine for one applications folder; throws UpdateError when it can't be built.
        // `sandbox` is the store's own (its options'), never read again from the launch.
        std::function<std::unique_ptr<UpdateEngine>(QString applications, std::optional<QString> trash,
                                                    std::optional<QString> sandbox)>
            updater;
        // The running copies of an application (found off the GUI thread), and the quit request.
        std::function<QCoro::Task<QList<Processes::RunningApp>>(InstalledApp app)> running;
        std::function<void(Processes::RunningApp app)> terminate;
        // The leftover search, off the GUI thread.
        std::function<QCoro::Task<QList<Leftover>>(InstalledApp app, QString library, QStringList caskZap,
                                                   QSet<QString> installed)>
            leftovers;
        // The permission probes.
        std::function<Permissions::State()> appManagement;
        std::function<QCoro::Task<Permissions::AuthorizationStatus>()> notifications;
        // This Mac's id in the library.
        std::function<QString()> deviceID;
        std::shared_ptr<Notifier> notifier;
        std::shared_ptr<NotchHooks> notch;
        std::shared_ptr<AccountHooks> account;
        std::shared_ptr<LibraryHooks> library;
        std::shared_ptr<OnboardingHooks> onboarding;
        Shell* shell = nullptr;
        Clock* clock = nullptr;
        Prefs* prefs = nullptr;
        Options options;
    };

    // The pending installer-package consent; `answer` is called exactly once.
    struct ConsentRequest {
        PackageConsent request;
        std::function<void(bool)> answer;
    };

    explicit Store(Collaborators collaborators);
    ~Store() override;

    // The one instance, for the composition root only: create() makes it from the real
    // collaborators, which only the application knows, and shared() hands it out after that.
    static Store& create(Collaborators collaborators);
    static Store& shared();
    // Ends the one instance; the composition root calls it while the application object stands,
    // so that the store's objects never outlive it.
    static void release();
    static void resetForTest();

    // ---- Observed fields (getters register the read) ----
    const Rows& items() const { return items_.get(); }
    Filter filter() const { return filter_.get(); }
    const QString& query() const { return query_.get(); }
    const std::optional<QString>& selection() const { return selection_.get(); }
    const std::optional<QString>& expanded() const { return expanded_.get(); }
    const std::shared_ptr<AppItem>& removing() const { return removing_.get(); }
    const std::optional<QString>& notice() const { return notice_.get(); }
    // The symbol shown beside the notice, set with it.
    const QString& noticeSymbol() const { return noticeSymbol_; }
    Permissions::State appManagement() const { return appManagement_.get(); }
    Permissions::AuthorizationStatus notifications() const { return notifications_.get(); }
    bool scanning() const { return scanning_.get(); }
    int checked() const { return checked_.get(); }
    int toCheck() const { return toCheck_.get(); }
    const std::optional<QDateTime>& lastChecked() const { return lastChecked_.get(); }
    bool updatingAll() const { return updatingAll_.get(); }
    const std::optional<Session>& session() const { return session_.get(); }
    const LibraryRows& library() const { return library_.get(); }
    const QList<Device>& devices() const { return devices_.get(); }
    bool syncing() const { return syncing_.get(); }
    // Whether the library has been listed since this account signed in: until then an empty
    // library says nothing of the account's.
    bool libraryListed() const { return libraryListed_.get(); }
    const std::optional<QString>& syncError() const { return syncError_.get(); }
    bool restoring() const { return restoring_.get(); }
    LibraryTab libraryTab() const { return libraryTab_.get(); }
    const std::optional<int>& tourStep() const { return tourStep_.get(); }
    const QString& settingsTab() const { return settingsTab_.get(); }
    bool creatingAccount() const { return creatingAccount_.get(); }
    const std::optional<QDateTime>& confirmationSentAt() const { return confirmationSentAt_.get(); }
    const std::optional<ConsentRequest>& packageConsent() const { return packageConsent_.get(); }
    const std::optional<LibraryRows>& libraryRemoval() const { return libraryRemoval_.get(); }

    // Setters: comparable fields tell observers only of a change; rows, the session, the
    // library, the Macs, the consent and the removal list on every assignment.
    void setItems(Rows items);
    void setFilter(Filter filter);
    void setQuery(QString query);
    void setSelection(std::optional<QString> id);
    void setExpanded(std::optional<QString> id);
    void setRemoving(std::shared_ptr<AppItem> item);
    void setNotice(std::optional<QString> notice, QString symbol = QStringLiteral("exclamationmark.triangle"));
    void setAppManagement(Permissions::State state);
    void setNotifications(Permissions::AuthorizationStatus status);
    void setSession(std::optional<Session> session);
    void setLibrary(LibraryRows library);
    void setDevices(QList<Device> devices);
    void setSyncing(bool syncing);
    void setSyncError(std::optional<QString> error);
    void setRestoring(bool restoring);
    void setLibraryTab(LibraryTab tab);
    void setTourStep(std::optional<int> step);
    void setSettingsTab(QString tab);
    void setCreatingAccount(bool creating);
    void setConfirmationSentAt(std::optional<QDateTime> at);
    void setPackageConsent(std::optional<ConsentRequest> consent);
    void setLibraryRemoval(std::optional<LibraryRows> items);

    // ---- Fields set once at construction ----
    const QStringList& folders() const { return folders_; }
    const Endpoints& endpoints() const { return endpoints_; }
    const std::shared_ptr<BrewIndex>& brew() const { return brew_; }
    const std::optional<CloudConfig>& cloud() const { return cloud_; }
    // Where old copies go: "Trash" beside the sandbox folder, else the user's Trash (nothing).
    const std::optional<QString>& trashFolder() const { return trashFolder_; }
    // The Library folder searched and cleaned by an uninstall.
    const QString& userLibrary() const { return userLibrary_; }
    // This Mac's id in the library, which decides what counts as installed here.
    // Read once: the id stays for the run, and rows ask for it at every refresh.
    const QString& deviceID() const {
        if (!deviceID_)
            deviceID_ = c_.deviceID();
        return *deviceID_;
    }

    // The window hooks, installed by the shell's scenes.
    std::function<void()> openMain;
    std::function<void()> openSettingsWindow;

    // The seams of the subsystems the store calls.
    NotchHooks& notch() const { return *c_.notch; }
    AccountHooks& account() const { return *c_.account; }
    OnboardingHooks& onboarding() const { return *c_.onboarding; }
    // Whether notifications are ever posted: never in a sandbox.
    bool postsNotifications() const { return !c_.options.sandbox; }
    // The notification service, which the dashboard's Notifications pill asks once.
    Notifier& notifier() const { return *c_.notifier; }

    // ---- Refresh and check ----
    // How a refresh announces what it found: a `background` one (the schedule's, a quiet start's)
    // through the island and a notification, and with `everything` each update, not only new ones.
    struct RefreshOptions {
        bool background = false;
        bool everything = false;
    };
    // Scans, merges the rows, checks every row that may be checked, announces and synchronises
    // the library; returns at once while another refresh runs.
    QCoro::Task<void> refresh(RefreshOptions options);
    QCoro::Task<void> refresh() { return refresh(RefreshOptions{}); }
    // Checks one row again.
    QCoro::Task<void> check(std::shared_ptr<AppItem> item);

    // ---- Announcements ----
    // Posts the "updates" notification naming `only`, or every visible row with an update.
    QCoro::Task<void> postNotification(std::optional<QStringList> only = std::nullopt);
    // The key naming one offered update: bundle id, "@", then version, else build, else "?".
    static QString updateKey(const QString& bundleID, const Release& release);

    // ---- Schedule ----
    // (Re)starts the background refresh every Prefs.intervalHours; 0 runs nothing.
    void startSchedule();
    // Whether a schedule task is running.
    bool scheduled() const { return schedule_.has_value() && !schedule_->isCancelled(); }

    // ---- Updating ----
    QCoro::Task<void> update(std::shared_ptr<AppItem> item);
    // Opens the App Store page of the row's release; the notice says when there is none to open.
    void openInAppStore(const std::shared_ptr<AppItem>& item);
    // Opens a web page with the desktop; the notice names the address when nothing opened it.
    void openPage(const QUrl& url);
    static QString cannotOpen(const QUrl& url);
    // Updates `only`, or every installable row, one after another; one run at a time.
    QCoro::Task<void> updateAll(std::optional<Rows> only = std::nullopt);
    QCoro::Task<void> retryBlocked();
    QCoro::Task<void> refreshPermissions();

    // ---- Ignoring and skipping ----
    void ignore(const std::shared_ptr<AppItem>& item);
    void ignoreVersion(const std::shared_ptr<AppItem>& item);
    void unignore(const QString& bundleID);

    // ---- Derived lists (computed on every read) ----
    // Returned const, so a range-for over one reads the shared rows instead of copying them all.
    const Rows visible() const;
    // Whether the lists leave out App Store rows (the preference).
    bool hidesAppStore() const;
    Rows installable() const;
    // Whether Update All would install the row: an update it can install, not already under way.
    static bool installs(const AppItem& row);
    int count(Filter filter) const;
    const Rows shown(Filter filter) const;
    // The search rule: the query trimmed of spaces and tabs (not line breaks); empty matches
    // everything, else any present field containing it, case-insensitively.
    static bool matches(const QString& query, std::initializer_list<std::optional<QString>> fields);
    // The query without its leading and trailing spaces and tabs.
    static QString trimmedQuery(const QString& query);
    // The library rows this Mac lacks that a restore may install now.
    LibraryRows installable(const LibraryRows& items) const;

    // ---- Uninstall ----
    QCoro::Task<QList<Leftover>> leftovers(InstalledApp app);
    QCoro::Task<void> uninstall(std::shared_ptr<AppItem> item, QList<Leftover> data, bool permanently);

    // ---- Account ----
    QCoro::Task<void> signedIn(Session session);
    // Whole seconds left before the confirmation e-mail may be sent again.
    int confirmationWait(const QDateTime& at) const;
    // Throws AuthError or the send call's error.
    QCoro::Task<void> resendEmailConfirmation();
    QCoro::Task<void> refreshEmailConfirmation();

    // ---- Library ----
    QCoro::Task<std::optional<CloudAccess>> liveCloud(bool forceRefresh);
    QCoro::Task<void> syncLibrary();
    // Throws the client's error; gives the sentence of a listing that a bound cut short.
    QCoro::Task<std::optional<QString>> reloadLibrary(CloudAccess client);
    void signOut();
    QCoro::Task<void> removeFromLibrary(LibraryRows items);
    // Deletes the library, then the identity account, then signs out. Throws AuthError, or the
    // request's error.
    QCoro::Task<void> deleteAccount();
    // Installs the chosen library apps one after another into the first scanned folder (or the
    // user's own when that isn't writable), leaves App Store and hand-fetched ones to the user
    // and ends with a check. One run at a time.
    QCoro::Task<void> restore(LibraryRows items);
    // Publishes the question in packageConsent and returns the first answer; true runs the
    // installer. A second answer to the same question does nothing.
    QCoro::Task<bool> askPackageConsent(PackageConsent consent);

    // ---- Windows ----
    // The one way to bring the main window forward.
    void openMainWindow();

    // Ids of rows whose check result the current refresh still awaits.
    const QSet<QString>& counting() const { return counting_; }

    // Whether an update or an uninstall of the row with this id is running.
    bool busy(const QString& id) const { return inFlight_.contains(id); }

private:
    void apply(const QString& id, QList<Attempt> attempts, std::optional<Release> release);
    Status verdict(const AppItem& item) const;
    void restatus(AppItem& item);
    void announce(bool background, bool everything);
    QCoro::Task<bool> confirmQuit(std::shared_ptr<AppItem> item);
    // The engine for the applications folder `applications`, with this store's trash and sandbox.
    std::unique_ptr<UpdateEngine> engineFor(const QString& applications) const;
    // Polls the running copies of `app` until none is left, at most 60 times, 0.25 s apart;
    // `sleepAfterLast`: the 60th poll that still finds one is followed by a pause too.
    QCoro::Task<void> waitForQuit(InstalledApp app, bool sleepAfterLast);
    // Drops every row of the bundle at `path`, and the selection and expansion naming it.
    void dropRows(const QString& path);
    // Every write of the rows goes through these, which keep the id index in step.
    void replaceItems(Rows rows);
    void appendItems(const Rows& batch);
    static QCoro::Task<void> scheduleLoop(QPointer<Store> store, qint64 hours, CancelToken token, Clock* clock);

    // Counts sign-outs and changes of account; an operation that awaited the network goes on
    // only while it is still the one it started under.
    quint64 sessionGeneration_ = 0;
    // Cancelled with the session, so a restore's administrator step stops waiting on sign-out.
    CancelToken sessionCancel_;

    Collaborators c_;
    mutable std::optional<QString> deviceID_;
    Shell& shell_;
    Clock& clock_;
    Prefs& prefs_;

    Observed<Rows, Notify::Always> items_;
    // The first row of each id, so a check result finds its row without a search.
    QHash<QString, std::shared_ptr<AppItem>> rowsById_;
    Observed<Filter> filter_{Filter::all};
    Observed<QString> query_;
    Observed<std::optional<QString>> selection_;
    Observed<std::optional<QString>> expanded_;
    Observed<std::shared_ptr<AppItem>, Notify::Always> removing_;
    Observed<std::optional<QString>> notice_;
    QString noticeSymbol_;
    Observed<Permissions::State> appManagement_{Permissions::State::unknown};
    Observed<Permissions::AuthorizationStatus> notifications_{Permissions::AuthorizationStatus::notDetermined};
    Observed<bool> scanning_{false};
    Observed<int> checked_{0};
    Observed<int> toCheck_{0};
    Observed<std::optional<QDateTime>> lastChecked_;
    Observed<bool> updatingAll_{false};
    QStringList folders_;
    Endpoints endpoints_;
    std::shared_ptr<BrewIndex> brew_;
    std::optional<CancelToken> schedule_;
    QSet<QString> counting_;
    Observed<std::optional<Session>, Notify::Always> session_;
    Observed<LibraryRows, Notify::Always> library_;
    Observed<QList<Device>, Notify::Always> devices_;
    Observed<bool> syncing_{false};
    Observed<bool> libraryListed_{false};
    Observed<std::optional<QString>> syncError_;
    Observed<bool> restoring_{false};
    Observed<LibraryTab> libraryTab_{LibraryTab::missing};
    Observed<std::optional<int>> tourStep_;
    Observed<QString> settingsTab_{QStringLiteral("general")};
    Observed<bool> creatingAccount_{false};
    std::optional<CloudConfig> cloud_;
    Observed<std::optional<QDateTime>> confirmationSentAt_;
    Observed<std::optional<ConsentRequest>, Notify::Always> packageConsent_;
    Observed<std::optional<LibraryRows>, Notify::Always> libraryRemoval_;

    std::optional<QString> trashFolder_;
    QString userLibrary_;
    // Ids of rows whose update or uninstall flow runs: a second one never starts.
    QSet<QString> inFlight_;
    // The rows the running Update All still walks; a blocked retry during the run joins it.
    Rows runQueue_;
};
