#include "StoreHarness.h"

#include "account/Auth.h"
#include "model/Scanner.h"
#include "notch/NullNotchHooks.h"
#include "runtime/CheckError.h"
#include "runtime/FileError.h"
#include "runtime/MakeShared.h"
#include "runtime/ParseError.h"
#include "store/LiveUpdateEngine.h"

#include <QCoreApplication>

namespace {

class FakeUpdateEngine final : public UpdateEngine {
public:
    explicit FakeUpdateEngine(StoreHarness* h) : h_(h) {}

    QCoro::Task<QStringList> install(InstalledApp app, Release, Phase phase) override {
        StoreHarness* h = h_;
        h->phaseCallback = phase;
        for (const auto& reported : h->reportPhases)
            phase(reported);
        auto waiting = h->clock.sleep(h->installDelay);
        co_await std::move(waiting);
        h->installed.append(app.name);
        if (h->installError)
            std::rethrow_exception(h->installError);
        QStringList notes = h->installNotes; // QCoro moves from what it returns
        co_return notes;
    }

    QCoro::Task<Updater::Fresh> installFirst(Updater::Recorded app, QList<Release> releases, Updater::Consent consent,
                                             Phase phase, CancelToken) override {
        auto restoring = h_->restoreInstall(std::move(app), std::move(releases), std::move(consent), std::move(phase));
        co_return co_await std::move(restoring);
    }

    QCoro::Task<QStringList> uninstall(InstalledApp app, QStringList data, QString, bool) override {
        StoreHarness* h = h_;
        h->uninstalledData = data;
        if (h->uninstallEffect)
            h->uninstallEffect(app);
        if (h->uninstallError)
            std::rethrow_exception(h->uninstallError);
        co_return QStringList{app.url} + data;
    }

private:
    StoreHarness* h_;
};

class Notifications final : public Notifier {
public:
    explicit Notifications(StoreHarness* h) : h_(h) {}
    QCoro::Task<bool> requestAuthorization() override { co_return h_->notificationsGranted; }
    QCoro::Task<void> add(QString identifier, QString title, QString body) override {
        h_->posted.append({identifier, title, body});
        co_return;
    }

private:
    StoreHarness* h_;
};

class FakeNotchHooks final : public NullNotchHooks {
public:
    explicit FakeNotchHooks(StoreHarness* h) : h_(h) {}
    void request(NotchTrigger trigger) override { h_->notchRequests.append(trigger); }

private:
    StoreHarness* h_;
};

class FakeAccountHooks final : public AccountHooks {
public:
    explicit FakeAccountHooks(StoreHarness* h) : h_(h) {}
    std::optional<Session> load() override { return h_->savedSession; }
    void save(std::optional<Session> session) override { h_->savedSession = std::move(session); }
    QCoro::Task<bool> keepsSessions() override {
        if (h_->slowKeyring)
            co_await h_->clock.sleep(std::chrono::seconds(1));
        co_return true;
    }
    void signedOut() override {}
    QCoro::Task<Session> refresh(Session session, CloudConfig config) override {
        if (h_->renew)
            co_return co_await h_->renew(std::move(session), std::move(config));
        if (!h_->cloud)
            co_return session;
        Session renewed = co_await Auth::refresh(std::move(session), std::move(config));
        co_return renewed;
    }
    // With a back end the identity calls are the real ones, against it.
    QCoro::Task<void> sendEmailConfirmation(Session session, CloudConfig config) override {
        if (h_->cloud)
            co_await Auth::sendEmailConfirmation(std::move(session), std::move(config));
    }
    QCoro::Task<Profile> profile(Session session, CloudConfig config) override {
        if (!h_->cloud)
            co_return Profile{};
        Profile answer = co_await Auth::profile(std::move(session), std::move(config));
        co_return answer;
    }
    std::optional<CloudConfig> current() override { return h_->cloud; }

private:
    StoreHarness* h_;
};

// A library that answers at once with the harness's apps and Macs (none unless a test sets
// them); every sync ends in the one read of the Macs.
class FakeLibraryHooks final : public LibraryHooks {
public:
    explicit FakeLibraryHooks(StoreHarness* h) : h_(h) {}
    // Copies: a task's co_return moves from what it is given.
    QCoro::Task<Listing<LibraryApp>> apps(CloudAccess) override {
        Listing<LibraryApp> apps{h_->libraryApps, {}};
        co_return apps;
    }
    QCoro::Task<Listing<Device>> devices(CloudAccess) override {
        ++h_->librarySyncs;
        Listing<Device> devices{h_->libraryDevices, {}};
        co_return devices;
    }
    QCoro::Task<int> sync(CloudAccess, QList<ScannedApp>, QList<LibraryApp>, QString) override { co_return 1; }
    QCoro::Task<void> remove(CloudAccess, QStringList) override { co_return; }
    QCoro::Task<void> deleteLibrary(CloudAccess) override { co_return; }
    QCoro::Task<void> saveProfile(CloudAccess, std::optional<QString>, QString) override { co_return; }
    QCoro::Task<void> deleteAccount(Session, CloudConfig) override { co_return; }

private:
    StoreHarness* h_;
};

QCoro::Task<QList<InstalledApp>> scanned(StoreHarness* h, QStringList folders) {
    h->scannedFolders = folders;
    QList<InstalledApp> apps = h->apps;
    co_return apps;
}

QCoro::Task<Release> appcast(StoreHarness* h, QUrl feed) {
    ++h->checks;
    h->mostChecks = std::max(h->mostChecks, ++h->activeChecks);
    auto waiting = h->clock.sleep(h->checkDelay);
    co_await std::move(waiting);
    --h->activeChecks;
    const auto found = h->releases.constFind(feed.toString());
    if (found == h->releases.constEnd())
        throw CheckError(QStringLiteral("The feed lists no release"));
    Release release = *found;
    co_return release;
}

QCoro::Task<QList<Processes::RunningApp>> runningCopies(StoreHarness* h, InstalledApp app) {
    ++h->polls;
    if (h->runningErrors.contains(app.url))
        throw FileError(FileError::Op::Read, QStringLiteral("/proc"), EACCES);
    int& left = h->runningPolls[app.url];
    if (left <= 0)
        co_return {};
    --left;
    co_return {Processes::RunningApp{4242, app.url}};
}

QCoro::Task<std::optional<InstalledApp>> readAgain(StoreHarness* h, QString url) {
    if (h->readErrors.contains(url))
        throw ParseError(QStringLiteral("The Info.plist can't be read."));
    std::optional<InstalledApp> app = h->reread;
    co_return app;
}

QCoro::Task<Permissions::AuthorizationStatus> notificationStatus(StoreHarness* h) { co_return h->notificationAnswer; }

QCoro::Task<QList<Leftover>> noLeftovers() { co_return {}; }

} // namespace

StoreHarness::StoreHarness() {
    prefs = std::make_unique<Prefs>(std::make_shared<Defaults>(dir.filePath(QStringLiteral("prefs.plist"))), false);
    options.home = dir.filePath(QStringLiteral("home"));
    // The cask catalogue is asked of a closed port: refused at once, never the network.
    options.mock = QUrl(QStringLiteral("http://127.0.0.1:9/"));
}

StoreHarness::~StoreHarness() {
    store_.reset();
    QCoreApplication::processEvents();
}

Store& StoreHarness::build() {
    Store::Collaborators c;
    c.scan = [this](QStringList folders) { return scanned(this, std::move(folders)); };
    c.read = [this](QString url, QString) { return readAgain(this, std::move(url)); };
    c.checker = [this](Endpoints endpoints, std::shared_ptr<BrewIndex> brew) {
        Checker::Sources sources = Checker::Sources::real();
        sources.sparkle = [this](QUrl feed, CancelToken) { return appcast(this, std::move(feed)); };
        return Checker(std::move(endpoints), std::move(brew), sources);
    };
    c.updater = [this](QString applications, std::optional<QString> trash,
                       std::optional<QString>) -> std::unique_ptr<UpdateEngine> {
        engineFolders.append(applications);
        engineTrash = trash;
        if (buildError)
            std::rethrow_exception(buildError);
        return std::make_unique<FakeUpdateEngine>(this);
    };
    if (real) {
        c.scan = [](QStringList folders) { return Scanner::scanInBackground(std::move(folders)); };
        c.checker = [](Endpoints endpoints, std::shared_ptr<BrewIndex> brew) {
            return Checker(std::move(endpoints), std::move(brew));
        };
        c.updater = [this](QString applications, std::optional<QString> trash,
                           std::optional<QString> sandbox) -> std::unique_ptr<UpdateEngine> {
            engineFolders.append(applications);
            return std::make_unique<LiveUpdateEngine>(applications, std::move(trash), std::move(sandbox));
        };
    }
    c.running = [this](InstalledApp app) { return runningCopies(this, std::move(app)); };
    c.terminate = [this](Processes::RunningApp copy) { terminated.append(copy.bundle); };
    c.leftovers = [](InstalledApp, QString, QStringList, QSet<QString>) { return noLeftovers(); };
    c.appManagement = [this] {
        ++appManagementProbes;
        return appManagementAnswer;
    };
    c.notifications = [this] { return notificationStatus(this); };
    c.deviceID = [this] { return deviceID; };
    c.notifier = std::make_shared<Notifications>(this);
    c.notch = notch ? notch : std::make_shared<FakeNotchHooks>(this);
    c.account = account ? account : std::make_shared<FakeAccountHooks>(this);
    c.library = library ? library : std::make_shared<FakeLibraryHooks>(this);
    c.onboarding = onboarding;
    c.shell = &shell;
    c.clock = &clock;
    c.prefs = prefs.get();
    c.options = options;
    store_ = std::make_unique<Store>(std::move(c));
    return *store_;
}

InstalledApp StoreHarness::app(const QString& name, const QString& version, const QString& folder) {
    InstalledApp a;
    a.folder = folder;
    a.url = folder + QLatin1Char('/') + name + QStringLiteral(".app");
    a.name = name;
    a.bundleID = QStringLiteral("com.example.") + name.toLower();
    a.version = version;
    a.team = QStringLiteral("TEAM000001");
    a.feedURL = QUrl(QStringLiteral("https://feeds.example/") + name + QStringLiteral(".xml"));
    return a;
}

Release StoreHarness::release(const QString& version, SourceKind kind) {
    Release r;
    r.kind = kind;
    r.version = version;
    Download d;
    d.url = QUrl(QStringLiteral("https://downloads.example/app.zip"));
    r.download = d;
    r.storeURL = QUrl(QStringLiteral("macappstore://apps.apple.com/app/id1"));
    return r;
}

void StoreHarness::offer(const InstalledApp& a, const Release& r) { releases.insert(a.feedURL->toString(), r); }

bool StoreHarness::settle(const std::shared_ptr<bool>& done, double limitSeconds) {
    for (double spent = 0; !*done && spent < limitSeconds; spent += 0.05)
        clock.advanceSeconds(0.05);
    return *done;
}

std::shared_ptr<AppItem> StoreHarness::row(const QString& name) const {
    for (const auto& item : store_->items())
        if (item->app().name == name)
            return item;
    return nullptr;
}
