#include "store/Store.h"

#include "install/Uninstall.h"
#include "runtime/Cancelled.h"
#include "runtime/Describe.h"
#include "runtime/MainThread.h"
#include "runtime/OutsideText.h"
#include "runtime/Shell.h"
#include "runtime/UpdateError.h"
#include "sources/BrewIndex.h"
#include "store/UpdateEngine.h"

#include <QFileInfo>
#include <QPointer>

namespace {

// The one-line outcome: "<name> and 3 data items moved to the Trash."
QString removedNotice(const QString& name, qsizetype dataItems, bool permanently) {
    QString notice = name;
    if (dataItems > 0)
        notice += QStringLiteral(" and ") + QString::number(dataItems) + QStringLiteral(" data item") +
                  (dataItems == 1 ? QString() : QStringLiteral("s"));
    notice += permanently ? QStringLiteral(" deleted permanently.") : QStringLiteral(" moved to the Trash.");
    return notice;
}

// Anything at the path, a dangling link included.
bool somethingAt(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

QCoro::Task<QList<Leftover>> Store::leftovers(InstalledApp app) {
    QL_ASSERT_MAIN_THREAD();
    QStringList zap;
    std::exception_ptr lookupError;
    // The catalogue may answer after the prompt that asked, and the store, are gone.
    const QPointer<Store> self(this);
    try {
        const std::shared_ptr<BrewIndex> index = brew_;
        auto asking = index->cask(app.bundleID, QFileInfo(app.url).fileName());
        const std::optional<Cask> cask = co_await std::move(asking);
        // A cask that names no bundle can't vouch that its zap paths are this app's.
        if (cask && !cask->bundleIDs.isEmpty())
            zap = cask->zap;
    } catch (...) {
        lookupError = std::current_exception(); // no cask
    }
    if (!self)
        throw Cancelled();
    QSet<QString> installed;
    for (const auto& row : items_.peek())
        installed.insert(row->app().bundleID);
    auto searching = c_.leftovers(std::move(app), userLibrary_, zap, installed);
    co_return co_await std::move(searching);
}

QCoro::Task<void> Store::uninstall(std::shared_ptr<AppItem> item, QList<Leftover> data, bool permanently) {
    QL_ASSERT_MAIN_THREAD();
    const InstalledApp app = item->app();
    const QString name = OutsideText::isolated(app.name); // as our sentences show it
    // While the row's update runs, its swap and this removal would race over the bundle.
    if (inFlight_.contains(item->id()) || item->phase().inProgress()) {
        auto telling =
            shell_.alert(tr("Couldn't remove %1").arg(name), tr("%1 is being updated. Nothing was removed.").arg(name));
        co_await std::move(telling);
        co_return;
    }
    inFlight_.insert(item->id());
    const QString id = item->id();
    struct Landing {
        QSet<QString>& flights;
        QString id;
        ~Landing() { flights.remove(id); }
    } landing{inFlight_, id};

    auto finding = c_.running(app);
    const QList<Processes::RunningApp> running = co_await std::move(finding);
    if (!running.isEmpty()) {
        Shell::Question question;
        question.title = tr("Quit %1 first?").arg(name);
        question.message = tr("%1 is open. Quenlark will quit it, then move it to the Trash.").arg(name);
        question.confirm = tr("Quit and Continue");
        question.cancel = tr("Cancel");
        auto asking = shell_.confirm(question);
        if (!co_await std::move(asking))
            co_return;
        for (const auto& copy : running)
            c_.terminate(copy);
        auto waiting = waitForQuit(app, false);
        co_await std::move(waiting);
    }

    std::exception_ptr error;
    try {
        const std::unique_ptr<UpdateEngine> engine = engineFor(app.folder);
        QStringList paths;
        for (const Leftover& leftover : data)
            paths.append(leftover.url);
        auto removing = engine->uninstall(app, paths, userLibrary_, permanently);
        co_await std::move(removing);
    } catch (...) {
        error = std::current_exception();
    }

    if (!error) {
        dropRows(app.url);
        setNotice(removedNotice(name, data.size(), permanently), QStringLiteral("trash"));
        co_return;
    }
    if (UpdateError::needsPermissionIn(error) && appManagement_.peek() != Permissions::State::denied)
        setAppManagement(Permissions::State::denied);
    auto telling =
        shell_.alert(tr("Couldn't remove %1").arg(name), Uninstall::failureText(describe(error), permanently));
    co_await std::move(telling);
    if (!somethingAt(app.url))
        dropRows(app.url);
}

void Store::dropRows(const QString& path) {
    Rows rows = items_.peek();
    rows.removeIf([&path](const auto& row) { return row->id() == path; });
    replaceItems(std::move(rows));
    if (selection_.peek() == path)
        selection_.set(std::nullopt);
    if (expanded_.peek() == path)
        expanded_.set(std::nullopt);
}
