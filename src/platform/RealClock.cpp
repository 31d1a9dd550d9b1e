#include "platform/RealClock.h"

#include "runtime/Cancelled.h"

#include <QCoreApplication>
#include <QTimer>

#include <coroutine>
#include <ctime>
#include <memory>

namespace {

// Resumes the sleeping coroutine once: at its deadline or at cancellation, whichever comes first.
class SleepAwaiter {
public:
    SleepAwaiter(Clock::Duration deadline, CancelToken token)
        : deadline_(deadline), token_(std::move(token)) {}

    bool await_ready() const noexcept { return token_.isCancelled(); }

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
        const auto left = deadline_ - RealClock().uptime();
        if (left <= Clock::Duration::zero()) {
            finish(true);
            return;
        }
        timer_->start(std::min(left, RealClock::maxStep));
    }

    void finish(bool completed) {
        if (!handle_)
            return;
        completed_ = completed;
        timer_->stop();
        auto handle = std::exchange(handle_, {});
        // Resume from the event loop, never from inside the timer's or the token's signal.
        QMetaObject::invokeMethod(QCoreApplication::instance(), [handle] { handle.resume(); },
                                  Qt::QueuedConnection);
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
    return std::chrono::duration_cast<Duration>(std::chrono::seconds(ts.tv_sec) +
                                                std::chrono::nanoseconds(ts.tv_nsec));
}

QCoro::Task<bool> RealClock::sleep(Duration duration, CancelToken token) {
    if (token.isCancelled())
        co_return false;
    const auto deadline = uptime() + std::max(duration, Duration::zero());
    co_return co_await SleepAwaiter(deadline, token);
}
