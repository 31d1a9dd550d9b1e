#include "FakeClock.h"
#include "WaitForEvents.h"

#include "runtime/Blocking.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <cmath>

namespace {

// Runs what is queued and waits (boundedly) for work handed to the pools to come back, so that
// a sleeper that does blocking work before sleeping again is asleep before time moves on. A
// flight ends only once its resume has run here, so the pools' results wake the wait; the
// timeout bounds each wait all the same.
void settle() {
    QCoreApplication::processEvents();
    QDeadlineTimer limit(10'000);
    while (Blocking::inFlight() > 0 && !limit.hasExpired())
        waitForEvents(10);
    QCoreApplication::processEvents();
}

void resumeQueued(std::coroutine_handle<> handle) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [handle] { handle.resume(); }, Qt::QueuedConnection);
}

class FakeSleep {
public:
    FakeSleep(std::shared_ptr<FakeClock::State> state, Clock::Duration deadline, CancelToken token)
        : state_(std::move(state)), deadline_(deadline), token_(std::move(token)) {}

    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> handle) {
        sleeper_ = std::make_shared<FakeClock::Sleeper>();
        sleeper_->handle = handle;
        if (deadline_ <= state_->uptime) {
            // Nothing to wait for: like the real clock, resume on the next turn.
            sleeper_->woken = sleeper_->completed = true;
            resumeQueued(handle);
            return;
        }
        state_->sleepers.emplace(deadline_, sleeper_);
        context_ = std::make_unique<QObject>();
        std::weak_ptr<FakeClock::Sleeper> weakSleeper = sleeper_;
        std::weak_ptr<FakeClock::State> weakState = state_;
        token_.onCancel(context_.get(), [weakSleeper, weakState] {
            auto sleeper = weakSleeper.lock();
            if (!sleeper || sleeper->woken)
                return;
            sleeper->woken = true;
            if (auto state = weakState.lock()) {
                for (auto it = state->sleepers.begin(); it != state->sleepers.end(); ++it)
                    if (it->second == sleeper) {
                        state->sleepers.erase(it);
                        break;
                    }
            }
            resumeQueued(sleeper->handle);
        });
    }

    bool await_resume() {
        context_.reset();
        return sleeper_->completed;
    }

private:
    std::shared_ptr<FakeClock::State> state_;
    Clock::Duration deadline_;
    CancelToken token_;
    std::shared_ptr<FakeClock::Sleeper> sleeper_;
    std::unique_ptr<QObject> context_;
};

} // namespace

FakeClock::FakeClock(QDateTime start) : wallAtZero_(start.toUTC()) { Clock::install(this); }

FakeClock::~FakeClock() { Clock::install(nullptr); }

QDateTime FakeClock::now() const { return wallAtZero_.addMSecs(state_->uptime.count()); }

QCoro::Task<bool> FakeClock::sleep(Duration duration, CancelToken token) {
    if (token.isCancelled())
        co_return false;
    const auto deadline = deadlineAfter(state_->uptime, duration);
    co_return co_await FakeSleep(state_, deadline, std::move(token));
}

void FakeClock::advance(Duration duration) {
    settle();
    const auto target = deadlineAfter(state_->uptime, duration);
    auto& sleepers = state_->sleepers;
    while (!sleepers.empty() && sleepers.begin()->first <= target) {
        auto it = sleepers.begin();
        auto sleeper = it->second;
        state_->uptime = std::max(state_->uptime, it->first);
        sleepers.erase(it);
        sleeper->woken = true;
        sleeper->completed = true;
        sleeper->handle.resume();
        settle();
    }
    state_->uptime = target;
    settle();
}

void FakeClock::advanceSeconds(double seconds) { advance(Duration(std::llround(seconds * 1000.0))); }

void FakeClock::setNow(QDateTime now) { wallAtZero_ = now.toUTC().addMSecs(-state_->uptime.count()); }
