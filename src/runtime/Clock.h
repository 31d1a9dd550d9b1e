#pragma once

#include "runtime/CancelToken.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QTimeZone>

#include <chrono>

// The one source of time for logic. `now()` is wall time in UTC; `sleep` waits on a clock that
// keeps counting through suspend and gives false when the token cut it short.
class Clock {
public:
    using Duration = std::chrono::milliseconds;

    virtual ~Clock();

    virtual QDateTime now() const = 0;
    // Continuous time since an arbitrary origin; counts through system sleep.
    virtual Duration uptime() const = 0;
    // The user's time zone, in which hours and calendar days (Gregorian) are reckoned.
    virtual QTimeZone timeZone() const;
    // A sleep that waits resumes from the event loop on the GUI thread (never from inside the
    // timer's or the token's signal); true at the deadline, false when cut short (at once when
    // the token already is cancelled). Negative counts as zero, Duration::max() as forever.
    virtual QCoro::Task<bool> sleep(Duration duration, CancelToken token = {}) = 0;

    static QCoro::Task<bool> sleepSeconds(double seconds, CancelToken token = {});

    // `from + duration`, saturating at Duration::max() instead of overflowing (negative
    // durations count as zero).
    static Duration deadlineAfter(Duration from, Duration duration);

    // The clock in use: the real one unless a test installed another.
    static Clock& shared();
    // Installs `clock` (not owned) as the shared clock; nullptr restores the real one.
    static void install(Clock* clock);
};
