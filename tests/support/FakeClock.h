#pragma once

#include "runtime/Clock.h"

#include <QDateTime>

#include <coroutine>
#include <map>
#include <memory>
#include <utility>

// Virtual time: sleepers wake in deadline order as a test advances the clock, so schedules of
// days run in microseconds. Installs itself as the shared clock while it lives.
class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 1, 5), QTime(12, 0), Qt::UTC));
    ~FakeClock() override;

    QDateTime now() const override;
    Duration uptime() const override { return uptime_; }
    QCoro::Task<bool> sleep(Duration duration, CancelToken token = {}) override;

    // Moves time forward, waking every sleeper whose deadline is reached, in order.
    void advance(Duration duration);
    void advanceSeconds(double seconds);
    // Sets the wall clock without moving continuous time (a clock change).
    void setNow(QDateTime now);
    int sleepers() const { return static_cast<int>(sleepers_.size()); }

    struct Sleeper {
        std::coroutine_handle<> handle;
        bool completed = false;
        bool woken = false;
    };

private:
    friend class FakeSleep;
    QDateTime wallAtZero_;
    Duration uptime_{0};
    std::multimap<Duration, std::shared_ptr<Sleeper>> sleepers_;
};
