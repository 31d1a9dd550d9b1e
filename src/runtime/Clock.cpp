#include "runtime/Clock.h"

#include "runtime/RealClock.h"

#include <cmath>

namespace {
Clock* installed = nullptr;
}

Clock::~Clock() = default;

QTimeZone Clock::timeZone() const { return QTimeZone::systemTimeZone(); }

Clock& Clock::shared() {
    if (installed)
        return *installed;
    static RealClock real;
    return real;
}

void Clock::install(Clock* clock) { installed = clock; }

Clock::Duration Clock::deadlineAfter(Duration from, Duration duration) {
    if (duration <= Duration::zero())
        return from;
    if (from > Duration::max() - duration)
        return Duration::max();
    return from + duration;
}

QCoro::Task<bool> Clock::sleepSeconds(double seconds, CancelToken token) {
    Duration duration = Duration::zero();
    if (std::isnan(seconds) || seconds <= 0) {
        duration = Duration::zero();
    } else if (seconds * 1000.0 >= static_cast<double>(Duration::max().count())) {
        duration = Duration::max(); // an infinite or absurd pause waits until cancelled
    } else {
        duration = Duration(std::llround(seconds * 1000.0));
    }
    return shared().sleep(duration, std::move(token));
}
