#pragma once

#include "runtime/Clock.h"

// Wall time from the system; sleeps measured against CLOCK_BOOTTIME and re-armed at most every
// 60 s, so they keep counting through suspend and never overflow a timer.
class RealClock final : public Clock {
public:
    QDateTime now() const override;
    Duration uptime() const override;
    QCoro::Task<bool> sleep(Duration duration, CancelToken token = {}) override;

    static constexpr Duration maxStep{60'000};

    // How long to arm the timer when `left` remains until the deadline: at most maxStep, since
    // the timer's clock stops during suspend; zero once the deadline has passed.
    static Duration nextStep(Duration left);
};
