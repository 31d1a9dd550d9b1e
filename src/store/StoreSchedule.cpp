#include "store/Store.h"

#include "model/Prefs.h"
#include "runtime/Clock.h"
#include "runtime/MainThread.h"
#include "runtime/Spawn.h"

#include "runtime/Log.h"

#include <chrono>

void Store::startSchedule() {
    QL_ASSERT_MAIN_THREAD();
    if (schedule_)
        schedule_->cancel();
    const qint64 hours = prefs_.intervalHours();
    if (hours < 1) {
        qCDebug(lcStore) << "no background checks";
        return;
    }
    qCDebug(lcStore) << "background checks every" << hours << "hours";
    CancelToken token;
    schedule_ = token;
    spawn(scheduleLoop(QPointer<Store>(this), hours, token, &clock_), "background schedule");
}

// Holds the store weakly: the loop never keeps it alive and skips a refresh once it is gone.
QCoro::Task<void> Store::scheduleLoop(QPointer<Store> store, qint64 hours, CancelToken token, Clock* clock) {
    const auto interval =
        std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double>(static_cast<double>(hours) * 3600.0));
    while (!token.isCancelled()) {
        auto sleeping = clock->sleep(interval, token);
        co_await std::move(sleeping);
        if (token.isCancelled())
            co_return;
        if (store) {
            auto refreshing = store->refresh({.background = true});
            co_await std::move(refreshing);
        }
    }
}
