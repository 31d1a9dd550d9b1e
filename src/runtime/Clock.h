#pragma once

#include "runtime/CancelToken.h"

#include <QCoro/QCoroTask>
#include <QDateTime>

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
    virtual QCoro::Task<bool> sleep(Duration duration, CancelToken token = {}) = 0;

    static QCoro::Task<bool> sleepSeconds(double seconds, CancelToken token = {});

    // The clock in use: the real one unless a test installed another.
    static Clock& shared();
    // Installs `clock` (not owned) as the shared clock; nullptr restores the real one.
    static void install(Clock* clock);
};
