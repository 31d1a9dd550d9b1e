#include "store/Store.h"

#include "runtime/Log.h"
#include "runtime/MainThread.h"

QCoro::Task<void> Store::updateAll(std::optional<Rows> only) {
    QL_ASSERT_MAIN_THREAD();
    if (updatingAll_.peek())
        co_return;
    const Rows rows = only ? *only : installable();
    if (rows.isEmpty())
        co_return;
    updatingAll_.set(true);
    // Whatever ends the run, Update All is offered again after it.
    struct Ending {
        Store& store;
        ~Ending() {
            store.runQueue_.clear();
            store.updatingAll_.set(false);
        }
    } ending{*this};
    // A row whose update already runs is left as it is: queuing it would hide its progress.
    for (const auto& row : rows) {
        const InstallPhase& phase = row->phase();
        if ((phase.inProgress() && phase.kind() != InstallPhase::Kind::queued) || inFlight_.contains(row->id()))
            continue;
        row->setPhase(InstallPhase::queued());
    }
    runQueue_ = rows;
    // The queue may grow while the run waits: blocked rows retried meanwhile join at its end.
    for (qsizetype next = 0; next < runQueue_.size(); ++next) {
        const std::shared_ptr<AppItem> row = runQueue_.at(next);
        if (row->phase().kind() != InstallPhase::Kind::queued)
            continue;
        // One row's fault never ends the run for the rows after it.
        try {
            auto updating = update(row);
            co_await std::move(updating);
        } catch (...) {
            Log::swallowed(lcStore(), "updating a row of Update All", std::current_exception());
        }
        // Turned away (no release, an App Store release, an install it can't vouch for):
        // nothing will take this row any more.
        if (row->phase().kind() == InstallPhase::Kind::queued && !inFlight_.contains(row->id()))
            row->setPhase(InstallPhase::idle());
    }
}

QCoro::Task<void> Store::retryBlocked() {
    QL_ASSERT_MAIN_THREAD();
    Rows blocked;
    for (const auto& row : items_.peek())
        if (row->phase().kind() == InstallPhase::Kind::blocked)
            blocked.append(row);
    if (blocked.isEmpty())
        co_return;
    for (const auto& row : blocked)
        row->setPhase(InstallPhase::queued());
    if (updatingAll_.peek()) {
        for (const auto& row : blocked)
            if (!runQueue_.contains(row))
                runQueue_.append(row);
        co_return;
    }
    auto running = updateAll(blocked);
    co_await std::move(running);
}

QCoro::Task<void> Store::refreshPermissions() {
    QL_ASSERT_MAIN_THREAD();
    const bool wasGranted = appManagement_.peek() == Permissions::State::granted;
    if (c_.options.sandbox) {
        setNotifications(Permissions::AuthorizationStatus::notDetermined);
    } else {
        setAppManagement(c_.appManagement());
        auto asking = c_.notifications();
        setNotifications(co_await std::move(asking));
    }
    if (!wasGranted && appManagement_.peek() == Permissions::State::granted) {
        auto retrying = retryBlocked();
        co_await std::move(retrying);
    }
}
