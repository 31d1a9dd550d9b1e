#include "runtime/Clock.h"

#include "platform/RealClock.h"

#include <cmath>

namespace {
Clock* installed = nullptr;
}

Clock::~Clock() = default;

Clock& Clock::shared() {
    if (installed)
        return *installed;
    static RealClock real;
    return real;
}

void Clock::install(Clock* clock) { installed = clock; }

QCoro::Task<bool> Clock::sleepSeconds(double seconds, CancelToken token) {
    const auto ms = std::isfinite(seconds) && seconds > 0 ? std::llround(seconds * 1000.0) : 0LL;
    return shared().sleep(Duration(ms), std::move(token));
}
