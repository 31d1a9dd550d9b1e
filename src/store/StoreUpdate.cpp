#include "store/Store.h"

#include "platform/desktop/Workspace.h"
#include "runtime/Clock.h"
#include "runtime/Describe.h"
#include "runtime/Log.h"
#include "runtime/MainThread.h"
#include "runtime/OutsideText.h"
#include "runtime/Shell.h"
#include "runtime/Spawn.h"
#include "runtime/UpdateError.h"
#include "store/UpdateEngine.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <chrono>

using namespace std::chrono_literals;

namespace {

constexpr int quitPolls = 60;
constexpr auto quitPollPause = 250ms;
constexpr auto settlePause = 150ms;
constexpr auto doneHold = 1400ms;

// Keeps a row's id among the flows in flight for as long as the flow runs.
class Flight {
public:
    Flight(QSet<QString>& flights, QString id) : flights_(flights), id_(std::move(id)) { flights_.insert(id_); }
    ~Flight() { flights_.remove(id_); }
    Flight(const Flight&) = delete;
    Flight& operator=(const Flight&) = delete;

private:
    QSet<QString>& flights_;
    QString id_;
};

} // namespace

QCoro::Task<void> Store::update(std::shared_ptr<AppItem> item) {
    QL_ASSERT_MAIN_THREAD();
    if (!item->release())
        co_return;
    const Release release = *item->release();
    if (release.kind.traits().opensStore) {
        openInAppStore(item);
        co_return;
    }
    if (!item->app().canInstall(release))
        co_return;
    switch (item->phase().kind()) {
    case InstallPhase::Kind::idle:
    case InstallPhase::Kind::queued:
    case InstallPhase::Kind::failed:
    case InstallPhase::Kind::blocked:
        break;
    default:
        co_return;
    }
    // The phase only changes once the engine is built; until then (the quit question, the wait
    // for the app to go) the flight keeps a second flow of this row out.
    const QString id = item->id();
    if (inFlight_.contains(id))
        co_return;
    const Flight flight(inFlight_, id);

    std::exception_ptr error;
    QStringList notes;
    // Phase reports are posted to the GUI thread; once the flow has set its final phase, a
    // report still on its way changes nothing.
    const auto live = std::make_shared<bool>(true);
    // A failing look for running copies ends as a failed install does.
    try {
        auto finding = c_.running(item->app());
        const QList<Processes::RunningApp> running = co_await std::move(finding);
        if (!running.isEmpty()) {
            auto asking = confirmQuit(item);
            if (!co_await std::move(asking)) {
                item->setPhase(InstallPhase::idle());
                co_return;
            }
            for (const auto& copy : running)
                c_.terminate(copy);
            auto waiting = waitForQuit(item->app(), true);
            co_await std::move(waiting);
        }

        const std::unique_ptr<UpdateEngine> engine = engineFor(item->app().folder);
        item->setPhase(InstallPhase::downloading(0));
        const std::weak_ptr<AppItem> row = item;
        UpdateEngine::Phase phase = [row, live](const InstallPhase& reported) {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [row, live, reported] {
                    if (!*live)
                        return;
                    if (const auto target = row.lock())
                        target->setPhase(reported);
                },
                Qt::QueuedConnection);
        };
        auto installing = engine->install(item->app(), release, std::move(phase));
        notes = co_await std::move(installing);
    } catch (...) {
        error = std::current_exception();
    }

    auto settling = clock_.sleep(settlePause);
    co_await std::move(settling);

    if (!error) {
        item->setInstallLog(notes);
        // The new copy is in place: a failed reading keeps the row's old facts until the next scan.
        try {
            auto reading = c_.read(item->app().url, item->app().folder);
            if (const std::optional<InstalledApp> fresh = co_await std::move(reading))
                item->setApp(*fresh);
        } catch (...) {
            Log::swallowed(lcStore(), "reading an updated app again", std::current_exception());
        }
        *live = false;
        item->setPhase(InstallPhase::done());
        auto holding = clock_.sleep(doneHold);
        co_await std::move(holding);
        restatus(*item);
        co_return;
    }

    const QString description = describe(error);
    item->setInstallLog({tr("Update failed: %1").arg(description),
                         tr("%1 was left untouched.").arg(OutsideText::isolated(item->app().name))});
    const bool permission = UpdateError::needsPermissionIn(error);
    *live = false;
    item->setPhase(permission ? InstallPhase::blocked() : InstallPhase::failed(description));
    if (permission) {
        // The install was refused for lack of the permission, so a probe that says granted is
        // not believed.
        const Permissions::State probed = c_.appManagement();
        setAppManagement(probed == Permissions::State::granted ? Permissions::State::unknown
                                                               : Permissions::State::denied);
    }
}

void Store::openInAppStore(const std::shared_ptr<AppItem>& item) {
    QL_ASSERT_MAIN_THREAD();
    const auto& release = item->release();
    // The store's own scheme opens nothing here: its web page does.
    if (release && release->storeURL)
        openPage(Workspace::webForm(*release->storeURL));
    else
        setNotice(tr("Quenlark couldn't open the App Store page of %1.").arg(item->app().name));
}

QString Store::cannotOpen(const QUrl& url) {
    return tr("Quenlark couldn't open %1: no program on this computer opened it.")
        .arg(OutsideText::isolated(url.toDisplayString()));
}

namespace {
QCoro::Task<void> opening(QPointer<Store> store, QUrl url) {
    auto asking = Workspace::opened(url);
    if (!co_await std::move(asking) && store)
        store->setNotice(Store::cannotOpen(Workspace::webForm(url)));
}
} // namespace

void Store::openPage(const QUrl& url) { spawn(opening(this, url), "opening a web page"); }

QCoro::Task<bool> Store::confirmQuit(std::shared_ptr<AppItem> item) {
    const QString name = OutsideText::isolated(item->app().name);
    const auto& release = item->release();
    const auto shown = release ? (release->version ? release->version : release->build) : std::nullopt;
    const QString version = OutsideText::isolated(shown, QStringLiteral("?"));
    Shell::Question question;
    question.title = tr("Quit %1 to update it?").arg(name);
    question.message = tr("%1 is open. Quenlark will quit it, install %2 and move the old version to the Trash. If "
                          "the app has unsaved work it may ask you to save first.")
                           .arg(name, version);
    question.confirm = tr("Quit and Update");
    question.cancel = tr("Cancel");
    auto asking = shell_.confirm(question);
    co_return co_await std::move(asking);
}

QCoro::Task<void> Store::waitForQuit(InstalledApp app, bool sleepAfterLast) {
    for (int poll = 1; poll <= quitPolls; ++poll) {
        auto finding = c_.running(app);
        if ((co_await std::move(finding)).isEmpty())
            co_return;
        if (poll == quitPolls && !sleepAfterLast)
            co_return;
        auto pausing = clock_.sleep(quitPollPause);
        co_await std::move(pausing);
    }
}
