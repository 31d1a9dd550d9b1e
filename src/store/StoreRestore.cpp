#include "store/Store.h"

#include "runtime/Blocking.h"
#include "runtime/Clock.h"
#include "runtime/Describe.h"
#include "runtime/Log.h"
#include "runtime/MainThread.h"
#include "runtime/UpdateError.h"
#include "store/Restore.h"
#include "store/UpdateEngine.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <atomic>
#include <coroutine>

namespace {

constexpr Clock::Duration settlePause{150};

// One consent question: the first answer resumes the run that asked it, any later one is void.
struct Question {
    std::optional<bool> answer;
    std::coroutine_handle<> waiter;

    struct Wait {
        std::shared_ptr<Question> question;
        bool await_ready() const noexcept { return question->answer.has_value(); }
        void await_suspend(std::coroutine_handle<> handle) { question->waiter = handle; }
        bool await_resume() const { return *question->answer; }
    };
};

// The entry's phase as the installer reports it, from whatever thread, in the order reported.
// Once `open` is false (the run has written its outcome) a report still on its way is dropped.
Updater::Phase phaseWriter(const std::shared_ptr<LibraryItem>& entry, std::shared_ptr<std::atomic<bool>> open) {
    const std::weak_ptr<LibraryItem> weak = entry;
    return [weak, open](const InstallPhase& phase) {
        auto apply = [weak, open, phase] {
            const auto item = weak.lock();
            if (item && open->load() && item->phase() != phase)
                item->setPhase(phase);
        };
        if (isMainThread())
            apply();
        else
            QMetaObject::invokeMethod(QCoreApplication::instance(), apply, Qt::QueuedConnection);
    };
}

// The store's consent sheet; a store that is gone answers no.
QCoro::Task<bool> ask(QPointer<Store> store, PackageConsent facts) {
    if (!store)
        co_return false;
    auto asking = store->askPackageConsent(std::move(facts));
    co_return co_await std::move(asking);
}

} // namespace

QCoro::Task<bool> Store::askPackageConsent(PackageConsent consent) {
    QL_ASSERT_MAIN_THREAD();
    auto question = std::make_shared<Question>();
    const QPointer<Store> store(this);
    ConsentRequest request;
    request.request = std::move(consent);
    request.answer = [store, question](bool yes) {
        // Clearing the question destroys this very closure: nothing of it is read after that.
        const std::shared_ptr<Question> asked = question;
        if (asked->answer)
            return; // answered already: a double click, or a key and a click in one turn
        asked->answer = yes;
        if (const QPointer<Store> owner = store)
            owner->setPackageConsent(std::nullopt);
        if (const auto waiter = std::exchange(asked->waiter, {}))
            Blocking::resumeOnMainThread(waiter); // after the answering view's handler, never inside it
    };
    setPackageConsent(std::move(request));
    Question::Wait answered{question}; // named: a temporary holding a shared_ptr is destroyed twice by g++ 12
    co_return co_await answered;
}

QCoro::Task<void> Store::restore(LibraryRows items) {
    QL_ASSERT_MAIN_THREAD();
    if (restoring_.peek() || items.isEmpty())
        co_return;
    setRestoring(true);
    qCDebug(lcStore) << "restore of" << items.size() << "apps started";
    const Checker checker = c_.checker(endpoints_, brew_);
    const QString fallback = c_.options.sandbox
                                 ? QFileInfo(*c_.options.sandbox).absolutePath() + QStringLiteral("/HomeApplications")
                                 : c_.options.home + QStringLiteral("/Applications");
    const QString primary = folders_.value(0);
    auto choose = [primary, fallback] { return Restore::folder(primary, fallback); };
    std::optional<Restore::Folder> folder;
    std::exception_ptr unprepared;
    try {
        auto choosing = Blocking::run(choose);
        folder = co_await std::move(choosing);
    } catch (...) {
        unprepared = std::current_exception();
    }
    if (unprepared) {
        setNotice(QStringLiteral("Couldn't prepare a folder to install into: ") + describe(unprepared));
        setRestoring(false);
        co_return;
    }
    if (folder->fellBack)
        setNotice(
            QStringLiteral("This account can't add apps to /Applications (it isn't an administrator), so Quenlark "
                           "installs them in your own Applications folder (") +
                folder->path + QStringLiteral(")."),
            QStringLiteral("folder"));

    // All at once: the rows' stagger is the view's to draw.
    for (const auto& entry : items) {
        entry->setPhase(InstallPhase::queued());
        entry->setSelected(false);
        entry->setNote(std::nullopt);
    }

    // The entries are the library of the account signed in now: once it has signed out (or
    // another has signed in) the run installs nothing more of it.
    const quint64 generation = sessionGeneration_;
    const CancelToken cancel = sessionCancel_;
    bool stopped = false;
    auto stillSignedIn = [&](qsizetype next) {
        if (generation == sessionGeneration_)
            return true;
        for (qsizetype i = next; i < items.size(); ++i)
            items[i]->setPhase(InstallPhase::idle());
        setNotice(QStringLiteral("The restore stopped because you signed out; the apps it hadn't reached yet "
                                 "weren't installed."));
        stopped = true;
        return false;
    };

    int leftToUser = 0;
    for (qsizetype at = 0; at < items.size(); ++at) {
        const std::shared_ptr<LibraryItem>& entry = items[at];
        if (!stillSignedIn(at))
            break;
        auto routing = Restore::route(entry->app(), checker);
        const Route route = co_await std::move(routing);
        if (!stillSignedIn(at))
            break;
        entry->setRoute(route);
        qCDebug(lcStore).noquote() << "restore of" << entry->app().id << "routed" << int(route.kind());
        if (route.kind() != Route::Kind::install) {
            entry->setPhase(InstallPhase::idle());
            ++leftToUser;
            continue;
        }

        const LibraryApp& app = entry->app();
        const Updater::Recorded recorded{app.id, app.name, app.team, app.edKey};
        const auto open = std::make_shared<std::atomic<bool>>(true);
        const Updater::Phase phase = phaseWriter(entry, open);
        const QPointer<Store> self(this);
        const Updater::Consent consent = [self](PackageConsent facts) { return ask(self, std::move(facts)); };
        std::optional<Updater::Fresh> fresh;
        std::exception_ptr failure;
        try {
            const std::unique_ptr<UpdateEngine> engine = engineFor(folder->path);
            auto installing = engine->installFirst(recorded, route.releases(), consent, phase, cancel);
            fresh = co_await std::move(installing);
        } catch (...) {
            failure = std::current_exception();
        }
        open->store(false);
        qCDebug(lcStore).noquote() << "restore of" << app.id << (fresh ? "installed" : "failed:")
                                   << (fresh ? QString() : Log::redacted(describe(failure)));
        auto settling = clock_.sleep(settlePause);
        co_await std::move(settling);
        if (isCancellation(failure)) {
            entry->setPhase(InstallPhase::idle()); // the sign-out's notice says why
        } else if (fresh) {
            entry->setTeam(fresh->team);
            entry->setNote(fresh->note);
            entry->setPhase(InstallPhase::done());
        } else {
            const QString text = describe(failure);
            entry->setNote(text);
            entry->setPhase(UpdateError::needsPermissionIn(failure) ? InstallPhase::blocked()
                                                                    : InstallPhase::failed(text));
        }
    }

    if (leftToUser > 0 && !stopped)
        setNotice(QString::number(leftToUser) +
                      (leftToUser == 1 ? QStringLiteral(" app needs") : QStringLiteral(" apps need")) +
                      QStringLiteral(" installing from the App Store or its website. See Get It Yourself."),
                  QStringLiteral("arrow.down.app"));
    auto checking = refresh();
    co_await std::move(checking);
    setRestoring(false);
}
