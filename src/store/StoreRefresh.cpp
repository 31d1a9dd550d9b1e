#include "store/Store.h"

#include "model/Prefs.h"
#include "model/Verdict.h"
#include "runtime/Clock.h"
#include "runtime/MainThread.h"
#include "runtime/MakeShared.h"

#include <QHash>
#include <QPointer>

#include <algorithm>
#include <chrono>

using namespace std::chrono_literals;

namespace {

constexpr int batchSize = 8;
constexpr auto batchPause = 35ms;
constexpr int checkLimit = 8;

QCoro::Task<void> finished() { co_return; }

// Ends the refresh's scanning state however it leaves.
struct ScanningGuard {
    std::function<void()> end;
    ~ScanningGuard() { end(); }
};

} // namespace

QCoro::Task<void> Store::refresh(RefreshOptions options) {
    QL_ASSERT_MAIN_THREAD();
    if (scanning_.peek())
        co_return;
    scanning_.set(true);
    // A refresh can be resumed after the store has gone (a check finishing while it is torn
    // down): from then on it touches nothing of the store.
    const QPointer<Store> self(this);
    ScanningGuard guard{[self] {
        if (self)
            self->scanning_.set(false);
    }};
    checked_.set(0);

    auto scanning = c_.scan(folders_);
    const QList<InstalledApp> apps = co_await std::move(scanning);
    if (!self)
        co_return;

    // Rows keep their object across refreshes while their bundle path is found again.
    QHash<QString, std::shared_ptr<AppItem>> byPath;
    for (const auto& row : items_.peek())
        if (!byPath.contains(row->id()))
            byPath.insert(row->id(), row);
    auto rowFor = [&byPath](const InstalledApp& app) {
        std::shared_ptr<AppItem> row = byPath.value(app.url);
        if (!row)
            row = makeShared<AppItem>(app);
        // A row being installed keeps the record from before its install.
        if (!row->phase().inProgress()) {
            row->setApp(app);
            const auto kind = row->phase().kind();
            if (kind == InstallPhase::Kind::failed || kind == InstallPhase::Kind::done ||
                kind == InstallPhase::Kind::blocked)
                row->setPhase(InstallPhase::idle());
        }
        return row;
    };
    Rows merged;
    merged.reserve(apps.size());
    if (items_.peek().isEmpty() && !apps.isEmpty()) {
        // The first fill appears in batches, so the list grows visibly instead of all at once;
        // each batch's rows are made as it comes, not thousands in one turn.
        for (qsizetype start = 0; start < apps.size(); start += batchSize) {
            Rows batch;
            for (qsizetype i = start; i < std::min(apps.size(), start + batchSize); ++i)
                batch.append(rowFor(apps[i]));
            merged.append(batch);
            appendItems(batch);
            auto pause = clock_.sleep(batchPause);
            co_await std::move(pause);
            if (!self)
                co_return;
        }
    } else {
        for (const InstalledApp& app : apps)
            merged.append(rowFor(app));
        if (!items_.peek().isEmpty() || !merged.isEmpty())
            replaceItems(merged);
    }

    const QStringList ignored = prefs_.ignoredApps();
    Rows toCheck;
    for (const auto& row : merged)
        if (!ignored.contains(row->app().bundleID) && !row->phase().inProgress())
            toCheck.append(row);
    const Status ignoredStatus = Status::ignored(QStringLiteral("You're ignoring this app, so it isn't checked"));
    for (const auto& row : merged)
        if (ignored.contains(row->app().bundleID) && row->status() != ignoredStatus)
            row->setStatus(ignoredStatus);
    for (const auto& row : toCheck)
        row->setChecking(true);
    counting_.clear();
    QList<InstalledApp> checking;
    checking.reserve(toCheck.size());
    for (const auto& row : toCheck) {
        counting_.insert(row->id());
        checking.append(row->app());
    }
    toCheck_.set(static_cast<int>(toCheck.size()));

    const Checker checker = c_.checker(endpoints_, brew_);
    const Checker::Each each = [self](InstalledApp app, QList<Attempt> attempts, std::optional<Release> release) {
        if (self)
            self->apply(app.url, std::move(attempts), std::move(release));
        return finished();
    };
    auto checks = checker.checkAll(checking, checkLimit, each);
    co_await std::move(checks);
    if (!self)
        co_return;

    lastChecked_.set(clock_.now());
    scanning_.set(false);
    announce(options.background, options.everything);
    if (session_.peek()) {
        auto syncing = syncLibrary();
        co_await std::move(syncing);
    }
}

QCoro::Task<void> Store::check(std::shared_ptr<AppItem> item) {
    QL_ASSERT_MAIN_THREAD();
    item->setChecking(true);
    const Checker checker = c_.checker(endpoints_, brew_);
    auto checking = checker.check(item->app());
    Checker::Check result = co_await std::move(checking);
    apply(item->id(), std::move(result.attempts), std::move(result.release));
}

void Store::apply(const QString& id, QList<Attempt> attempts, std::optional<Release> release) {
    QL_ASSERT_MAIN_THREAD();
    if (counting_.remove(id))
        checked_.mutate([](int& count) { ++count; });
    std::shared_ptr<AppItem> row = rowsById_.value(id);
    if (!row || row->id() != id) {
        // A row whose bundle was read again under another path is found by searching.
        const Rows& rows = items_.peek();
        const auto found = std::find_if(rows.begin(), rows.end(), [&id](const auto& r) { return r->id() == id; });
        if (found == rows.end())
            return;
        row = *found;
    }
    row->setAttempts(std::move(attempts));
    row->setRelease(std::move(release));
    row->setChecking(false);
    row->setStatus(verdict(*row));
}

Status Store::verdict(const AppItem& item) const {
    return Verdict::status(item.app(), item.release(), item.attempts(), prefs_.ignoredApps(), prefs_.ignoredVersions());
}

void Store::restatus(AppItem& item) { item.setStatus(verdict(item)); }
