#include "views/dashboard/NoticeTimer.h"

#include "runtime/Clock.h"
#include "runtime/Observation.h"
#include "runtime/Spawn.h"
#include "store/Store.h"

#include <chrono>

NoticeTimer::NoticeTimer(Store& store, Clock& clock, QObject* parent) : QObject(parent), store_(store), clock_(clock) {
    observer_ = new Observer(
        this, [this] { (void)store_.notice(); }, [this] { restart(); });
    restart();
}

NoticeTimer::~NoticeTimer() { token_.cancel(); }

void NoticeTimer::restart() {
    const std::optional<QString>& notice = store_.notice();
    if (notice == shown_)
        return;
    shown_ = notice;
    token_.cancel();
    token_ = CancelToken();
    if (notice)
        spawn(wait(QPointer<Store>(&store_), *notice, token_, &clock_), "notice timer");
}

QCoro::Task<void> NoticeTimer::wait(QPointer<Store> store, QString text, CancelToken token, Clock* clock) {
    using namespace std::chrono;
    const bool finished = co_await clock->sleep(duration_cast<Clock::Duration>(duration<double>(shownFor)), token);
    if (finished && !token.isCancelled() && store && store->notice() == text)
        store->setNotice(std::nullopt);
}
