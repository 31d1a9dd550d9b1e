#include "store/Store.h"

#include "model/Launch.h"
#include "model/Prefs.h"
#include "platform/desktop/Notifier.h"
#include "runtime/Clock.h"
#include "runtime/MainThread.h"
#include "runtime/Shell.h"
#include "sources/BrewIndex.h"
#include "store/AccountHooks.h"
#include "store/LibraryHooks.h"
#include "store/NotchHooks.h"
#include "store/OnboardingHooks.h"
#include "store/UpdateEngine.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString bundleIdentifier = QStringLiteral("com.quenlark.Quenlark");

// The folder beside the sandbox folder with the given name.
QString besideSandbox(const QString& sandbox, const QString& name) {
    return QDir::cleanPath(QFileInfo(sandbox).dir().absolutePath() + QLatin1Char('/') + name);
}

std::unique_ptr<Store>& instance() {
    static std::unique_ptr<Store> store;
    return store;
}

} // namespace

Store::Options Store::Options::fromLaunch() { return Options{Launch::sandbox(), Launch::mock(), QDir::homePath()}; }

Store::Store(Collaborators collaborators)
    : c_(std::move(collaborators)), shell_(*c_.shell), clock_(*c_.clock), prefs_(*c_.prefs) {
    QL_ASSERT_MAIN_THREAD();
    const Options& options = c_.options;
    // Under "--sandbox" the system is not asked: the sandbox may change its own folder.
    appManagement_.set(options.sandbox ? Permissions::State::granted : c_.appManagement());
    session_.set(c_.account->load());
    cloud_ = c_.account->current();

    if (options.sandbox) {
        folders_ = {*options.sandbox};
    } else {
        folders_ = {QStringLiteral("/Applications"), QDir::cleanPath(options.home + QStringLiteral("/Applications"))};
    }
    endpoints_ = options.mock ? Endpoints::mock(*options.mock) : Endpoints();
    // The cache sits in the desktop's cache folder, where this platform keeps caches.
    const QString cache = options.sandbox
                              ? besideSandbox(*options.sandbox, QStringLiteral("Caches"))
                              : QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                                                QLatin1Char('/') + bundleIdentifier);
    brew_ = std::make_shared<BrewIndex>(endpoints_.caskCatalogue(), cache);
    if (options.sandbox)
        trashFolder_ = besideSandbox(*options.sandbox, QStringLiteral("Trash"));
    userLibrary_ = options.sandbox ? besideSandbox(*options.sandbox, QStringLiteral("Library"))
                                   : QDir::cleanPath(options.home + QStringLiteral("/Library"));
}

std::unique_ptr<UpdateEngine> Store::engineFor(const QString& applications) const {
    return c_.updater(applications, trashFolder_, c_.options.sandbox);
}

Store::~Store() {
    if (schedule_)
        schedule_->cancel();
}

Store& Store::create(Collaborators collaborators) {
    QL_ASSERT_MAIN_THREAD();
    auto& store = instance();
    Q_ASSERT_X(!store, Q_FUNC_INFO, "the one store exists already");
    store = std::make_unique<Store>(std::move(collaborators));
    return *store;
}

Store& Store::shared() {
    QL_ASSERT_MAIN_THREAD();
    auto& store = instance();
    Q_ASSERT_X(store, Q_FUNC_INFO, "the one store is made by create() first");
    return *store;
}

void Store::release() {
    QL_ASSERT_MAIN_THREAD();
    instance().reset();
}

void Store::resetForTest() { release(); }

void Store::setItems(Rows items) { replaceItems(std::move(items)); }
void Store::setFilter(Filter filter) { filter_.set(filter); }
void Store::setQuery(QString query) { query_.set(std::move(query)); }
void Store::setSelection(std::optional<QString> id) { selection_.set(std::move(id)); }
void Store::setExpanded(std::optional<QString> id) { expanded_.set(std::move(id)); }
void Store::setRemoving(std::shared_ptr<AppItem> item) { removing_.set(std::move(item)); }
void Store::setNotice(std::optional<QString> notice, QString symbol) {
    noticeSymbol_ = std::move(symbol);
    notice_.set(std::move(notice));
}
void Store::setAppManagement(Permissions::State state) { appManagement_.set(state); }
void Store::setNotifications(Permissions::AuthorizationStatus status) { notifications_.set(status); }
void Store::setSession(std::optional<Session> session) {
    const std::optional<Session>& old = session_.peek();
    if (!session || !old || old->uid != session->uid) {
        ++sessionGeneration_;
        std::exchange(sessionCancel_, CancelToken()).cancel();
        libraryListed_.set(false);
        // A sync or deletion still running for the account that left no longer keeps the next
        // account's sync out; its late end leaves the flag alone.
        syncing_.set(false);
    }
    session_.set(std::move(session));
}
void Store::setLibrary(LibraryRows library) {
    library_.set(std::move(library));
    libraryListed_.set(true);
}
void Store::setDevices(QList<Device> devices) { devices_.set(std::move(devices)); }
void Store::setSyncing(bool syncing) { syncing_.set(syncing); }
void Store::setSyncError(std::optional<QString> error) { syncError_.set(std::move(error)); }
void Store::setRestoring(bool restoring) { restoring_.set(restoring); }
void Store::setLibraryTab(LibraryTab tab) { libraryTab_.set(tab); }
void Store::setTourStep(std::optional<int> step) { tourStep_.set(step); }
void Store::setSettingsTab(QString tab) { settingsTab_.set(std::move(tab)); }
void Store::setCreatingAccount(bool creating) { creatingAccount_.set(creating); }
void Store::setConfirmationSentAt(std::optional<QDateTime> at) { confirmationSentAt_.set(std::move(at)); }
void Store::setPackageConsent(std::optional<ConsentRequest> consent) { packageConsent_.set(std::move(consent)); }
void Store::setLibraryRemoval(std::optional<LibraryRows> items) { libraryRemoval_.set(std::move(items)); }

void Store::openMainWindow() {
    QL_ASSERT_MAIN_THREAD();
    // The shell finds a main window first and calls openMain only when there is none.
    shell_.openMainWindow();
}
