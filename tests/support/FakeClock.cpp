#include "FakeClock.h"

#include <QCoreApplication>

#include <cmath>

class FakeSleep {
public:
    FakeSleep(FakeClock& clock, Clock::Duration deadline, CancelToken token)
        : clock_(clock), deadline_(deadline), token_(std::move(token)) {}

    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> handle) {
        sleeper_ = std::make_shared<FakeClock::Sleeper>();
        sleeper_->handle = handle;
        clock_.sleepers_.emplace(deadline_, sleeper_);
        context_ = std::make_unique<QObject>();
        std::weak_ptr<FakeClock::Sleeper> weak = sleeper_;
        FakeClock* clock = &clock_;
        token_.onCancel(context_.get(), [weak, clock] {
            auto sleeper = weak.lock();
            if (!sleeper || sleeper->woken)
                return;
            sleeper->woken = true;
            for (auto it = clock->sleepers_.begin(); it != clock->sleepers_.end(); ++it)
                if (it->second == sleeper) {
                    clock->sleepers_.erase(it);
                    break;
                }
            sleeper->handle.resume();
        });
    }

    bool await_resume() {
        context_.reset();
        return sleeper_->completed;
    }

private:
    FakeClock& clock_;
    Clock::Duration deadline_;
    CancelToken token_;
    std::shared_ptr<FakeClock::Sleeper> sleeper_;
    std::unique_ptr<QObject> context_;
};

FakeClock::FakeClock(QDateTime start) : wallAtZero_(start.toUTC()) { Clock::install(this); }

FakeClock::~FakeClock() { Clock::install(nullptr); }

QDateTime FakeClock::now() const { return wallAtZero_.addMSecs(uptime_.count()); }

QCoro::Task<bool> FakeClock::sleep(Duration duration, CancelToken token) {
    if (token.isCancelled())
        co_return false;
    const auto deadline = uptime_ + std::max(duration, Duration::zero());
    co_return co_await FakeSleep(*this, deadline, token);
}

void FakeClock::advance(Duration duration) {
    const auto target = uptime_ + duration;
    while (!sleepers_.empty() && sleepers_.begin()->first <= target) {
        auto it = sleepers_.begin();
        auto sleeper = it->second;
        uptime_ = std::max(uptime_, it->first);
        sleepers_.erase(it);
        sleeper->woken = true;
        sleeper->completed = true;
        sleeper->handle.resume();
        QCoreApplication::processEvents();
    }
    uptime_ = target;
    QCoreApplication::processEvents();
}

void FakeClock::advanceSeconds(double seconds) {
    advance(Duration(std::llround(seconds * 1000.0)));
}

void FakeClock::setNow(QDateTime now) {
    wallAtZero_ = now.toUTC().addMSecs(-uptime_.count());
}
