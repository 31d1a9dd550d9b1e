#include "runtime/RealClock.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <coroutine>
#include <ctime>
#include <memory>

namespace {

// Resumes the sleeping coroutine once: at its deadline or at cancellation, whichever comes first.
// The awaiter lives in the suspended frame, which QCoro never destroys before it resumes.
class SleepAwaiter {
public:
    SleepAwaiter(Clock::Duration deadline, CancelToken token) : deadline_(deadline), token_(std::move(token)) {}

    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> handle) {
        handle_ = handle;
        context_ = std::make_unique<QObject>();
        timer_ = new QTimer(context_.get());
        timer_->setSingleShot(true);
        timer_->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer_, &QTimer::timeout, context_.get(), [this] { arm(); });
        token_.onCancel(context_.get(), [this] { finish(false); });
        arm();
    }

    bool await_resume() {
        context_.reset();
        return completed_;
    }

private:
    void arm() {
        if (token_.isCancelled()) {
            finish(false);
            return;
        }
        const auto step = RealClock::nextStep(deadline_ - RealClock().uptime());
        if (step <= Clock::Duration::zero()) {
            finish(true);
            return;
        }
        timer_->start(step);
    }

    void finish(bool completed) {
        if (!handle_)
            return;
        completed_ = completed;
        timer_->stop();
        auto handle = std::exchange(handle_, {});
        // Resume from the event loop, never from inside the timer's or the token's signal.
        if (auto* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app, [handle] { handle.resume(); }, Qt::QueuedConnection);
    }

    Clock::Duration deadline_;
    CancelToken token_;
    std::coroutine_handle<> handle_;
    std::unique_ptr<QObject> context_;
    QTimer* timer_ = nullptr;
    bool completed_ = false;
};

} // namespace

QDateTime RealClock::now() const { return QDateTime::currentDateTimeUtc(); }

Clock::Duration RealClock::uptime() const {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return std::chrono::duration_cast<Duration>(std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec));
}

Clock::Duration RealClock::nextStep(Duration left) { return std::clamp(left, Duration::zero(), maxStep); }

QCoro::Task<bool> RealClock::sleep(Duration duration, CancelToken token) {
    if (token.isCancelled())
        co_return false;
    const auto deadline = deadlineAfter(uptime(), duration);
    co_return co_await SleepAwaiter(deadline, std::move(token));
}
