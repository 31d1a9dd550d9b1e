#pragma once

#include "runtime/Clock.h"

#include <QDateTime>

#include <coroutine>
#include <map>
#include <memory>
#include <utility>

// Virtual time: sleepers wake in deadline order (equal deadlines in the order they began) as a
// test advances the clock, so schedules of days run in microseconds. Installs itself as the
// shared clock while it lives. A cancelled sleeper resumes from the event loop, as with the
// real clock.
class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 1, 5), QTime(12, 0), Qt::UTC));
    ~FakeClock() override;

    QDateTime now() const override;
    Duration uptime() const override { return state_->uptime; }
    QTimeZone timeZone() const override { return zone_; }
    void setTimeZone(QTimeZone zone) { zone_ = std::move(zone); }
    QCoro::Task<bool> sleep(Duration duration, CancelToken token = {}) override;

    // Moves time forward, waking every sleeper whose deadline is reached, in order, and running
    // what each woken sleeper queued (and its Blocking work) before the next wakes. A sleeper
    // that sleeps again within the advanced span wakes again within it.
    void advance(Duration duration);
    void advanceSeconds(double seconds);
    // Sets the wall clock without moving continuous time (a clock change).
    void setNow(QDateTime now);
    int sleepers() const { return static_cast<int>(state_->sleepers.size()); }

    struct Sleeper {
        std::coroutine_handle<> handle;
        bool completed = false;
        bool woken = false;
    };
    // Shared with sleepers' cancellation hooks, which may outlive the clock.
    struct State {
        Duration uptime{0};
        std::multimap<Duration, std::shared_ptr<Sleeper>> sleepers;
    };

private:
    QDateTime wallAtZero_;
    QTimeZone zone_ = QTimeZone::utc();
    std::shared_ptr<State> state_ = std::make_shared<State>();
};
