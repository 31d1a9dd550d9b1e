#include "runtime/RealClock.h"
#include "runtime/Blocking.h"
#include "runtime/Clock.h"

#include "FakeClock.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <QThread>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <limits>

using namespace std::chrono_literals;
using Duration = Clock::Duration;

namespace {

QCoro::Task<void> sleepAndLog(Duration duration, QString name, QStringList* log) {
    const bool completed = co_await Clock::shared().sleep(duration);
    log->append(name + QLatin1Char(' ') + Clock::shared().now().toString(Qt::ISODate) +
                (completed ? QString() : QStringLiteral(" cut")));
}

QCoro::Task<void> everyHour(int times, QList<QDateTime>* wakes) {
    for (int i = 0; i < times; ++i) {
        if (!co_await Clock::shared().sleep(1h))
            co_return;
        wakes->append(Clock::shared().now());
    }
}

// An hourly check that does work on a pool thread between its sleeps.
QCoro::Task<void> everyHourWithWork(int times, QList<QDateTime>* wakes) {
    for (int i = 0; i < times; ++i) {
        if (!co_await Clock::shared().sleep(1h))
            co_return;
        co_await Blocking::run([] { QThread::msleep(2); });
        wakes->append(Clock::shared().now());
    }
}

QCoro::Task<bool> sleepFor(Duration duration, CancelToken token = {}) {
    co_return co_await Clock::shared().sleep(duration, token);
}

QCoro::Task<bool> sleepSeconds(double seconds, CancelToken token = {}) {
    co_return co_await Clock::sleepSeconds(seconds, token);
}

void cancelSoon(CancelToken token, std::chrono::milliseconds after) {
    QTimer::singleShot(after, [token] { token.cancel(); });
}

const QDateTime start(QDate(2026, 1, 5), QTime(12, 0), Qt::UTC);

} // namespace

TEST(FakeClock, WakesSleepersInDeadlineOrderAtTheirDeadlines) {
    FakeClock clock(start);
    QStringList log;
    auto a = sleepAndLog(30min, QStringLiteral("a"), &log);
    auto b = sleepAndLog(10min, QStringLiteral("b"), &log);
    auto c = sleepAndLog(20min, QStringLiteral("c"), &log);
    auto d = sleepAndLog(10min, QStringLiteral("d"), &log); // same deadline as b, began later
    EXPECT_EQ(clock.sleepers(), 4);

    clock.advance(25min);
    EXPECT_EQ(log, (QStringList{"b 2026-01-05T12:10:00Z", "d 2026-01-05T12:10:00Z", "c 2026-01-05T12:20:00Z"}));
    EXPECT_EQ(clock.now(), start.addSecs(25 * 60));
    clock.advance(5min);
    EXPECT_EQ(log.last(), QStringLiteral("a 2026-01-05T12:30:00Z"));
    EXPECT_EQ(clock.sleepers(), 0);
}

TEST(FakeClock, RunsADayOfHourlySleepsInOneAdvanceInterleavedWithOtherSleepers) {
    FakeClock clock(start);
    QList<QDateTime> wakes;
    QStringList log;
    auto hourly = everyHour(24, &wakes);
    auto other = sleepAndLog(90min, QStringLiteral("other"), &log);

    clock.advance(24h);
    ASSERT_TRUE(hourly.isReady());
    ASSERT_EQ(wakes.size(), 24);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(wakes.at(i), start.addSecs(3600 * (i + 1)));
    EXPECT_EQ(log, QStringList{"other 2026-01-05T13:30:00Z"});

    // Work handed to a pool between the sleeps comes back before time moves on.
    QList<QDateTime> checks;
    auto checking = everyHourWithWork(24, &checks);
    clock.advance(24h);
    ASSERT_TRUE(checking.isReady());
    ASSERT_EQ(checks.size(), 24);
    EXPECT_EQ(checks.last(), start.addSecs(48 * 3600));
}

TEST(FakeClock, CancelledAndEndlessSleepsReturnFalseWithoutTimePassing) {
    FakeClock clock(start);

    CancelToken token;
    auto cut = sleepFor(1h, token);
    token.cancel();
    EXPECT_FALSE(runSync(std::move(cut)));
    EXPECT_EQ(clock.now(), start);
    EXPECT_EQ(clock.sleepers(), 0);
    EXPECT_FALSE(runSync(sleepFor(1h, token))); // already cancelled

    // Forever (and absurd second counts) never wake on their own and do not overflow.
    CancelToken forever;
    auto endless = sleepFor(Duration::max(), forever);
    auto huge = sleepSeconds(std::numeric_limits<double>::infinity(), forever);
    clock.advance(24h * 365 * 100);
    EXPECT_FALSE(endless.isReady());
    EXPECT_FALSE(huge.isReady());
    forever.cancel();
    EXPECT_FALSE(runSync(std::move(endless)));
    EXPECT_FALSE(runSync(std::move(huge)));

    // Zero, negative and NaN pauses end on the next turn without time passing.
    for (double seconds : {0.0, -5.0, std::nan("")})
        EXPECT_TRUE(runSync(sleepSeconds(seconds))) << seconds;
    EXPECT_TRUE(runSync(sleepFor(-1s)));
}

TEST(RealClock, ShortSleepCompletesAndCancellationEndsALongOnePromptly) {
    RealClock real;
    Clock::install(&real);

    const auto before = real.uptime();
    EXPECT_TRUE(runSync(sleepFor(30ms)));
    EXPECT_GE(real.uptime() - before, 30ms);

    for (Duration length : {Duration(1h), Duration::max()}) {
        CancelToken token;
        cancelSoon(token, 20ms);
        const auto began = real.uptime();
        EXPECT_FALSE(runSync(sleepFor(length, token), 5s)); // max() must not overflow into true
        EXPECT_LT(real.uptime() - began, 2s);
    }
    Clock::install(nullptr);
}

TEST(RealClock, ArmsItsTimerInStepsOfAtMostAMinute) {
    struct Case {
        Duration left;
        Duration step;
    };
    const Case cases[] = {
        {Duration(24h * 21), 60s},
        {Duration::max(), 60s},
        {61s, 60s},
        {60s, 60s},
        {59s, 59s},
        {5ms, 5ms},
        {0ms, 0ms},
        {-5ms, 0ms},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RealClock::nextStep(c.left), c.step) << c.left.count();

    EXPECT_EQ(Clock::deadlineAfter(10s, Duration::max()), Duration::max());
    EXPECT_EQ(Clock::deadlineAfter(Duration::max() - 1ms, 2ms), Duration::max());
    EXPECT_EQ(Clock::deadlineAfter(10s, -3s), 10s);
    EXPECT_EQ(Clock::deadlineAfter(10s, 3s), 13s);
}
