#include "runtime/Cancelled.h"
#include "runtime/Clock.h"
#include "runtime/ForEachLimited.h"
#include "runtime/UpdateError.h"

#include "FakeClock.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <algorithm>
#include <chrono>

using namespace std::chrono_literals;

namespace {

struct Log {
    QStringList events;
    int running = 0;
    int mostRunning = 0;
    int failOn = -1;
};

// Each item is how many minutes its task sleeps.
QCoro::Task<int> work(int minutes, Log* log) {
    log->events.append(QStringLiteral("start %1").arg(minutes));
    log->mostRunning = std::max(log->mostRunning, ++log->running);
    co_await Clock::shared().sleep(std::chrono::minutes(minutes));
    --log->running;
    if (minutes == log->failOn)
        throw UpdateError(QStringLiteral("The check failed."), {.final = true});
    co_return minutes;
}

QCoro::Task<void> group(QList<int> items, int limit, Log* log, CancelToken token = {}) {
    co_await forEachLimited(
        items, limit, [log](int minutes) { return work(minutes, log); },
        [log](int minutes) { log->events.append(QStringLiteral("done %1").arg(minutes)); }, token);
}

} // namespace

TEST(ForEachLimited, RunsAtMostLimitAtOnceAndHandsResultsOverInCompletionOrder) {
    FakeClock clock;
    Log log;
    auto run = group({30, 10, 20, 5, 15}, 2, &log);
    clock.advance(1h);
    ASSERT_TRUE(run.isReady());
    runSync(std::move(run));

    // A place frees when a result has been handled; equal deadlines keep their start order.
    EXPECT_EQ(log.events, (QStringList{"start 30", "start 10", "done 10", "start 20", "done 30", "start 5", "done 20",
                                       "start 15", "done 5", "done 15"}));
    EXPECT_EQ(log.mostRunning, 2);
    EXPECT_EQ(log.running, 0);
}

TEST(ForEachLimited, LimitsOfZeroOrBelowStartNothingAndLargeLimitsStartAll) {
    FakeClock clock;
    for (int limit : {0, -1}) {
        Log log;
        runSync(group({1, 2}, limit, &log));
        EXPECT_TRUE(log.events.isEmpty()) << limit;
    }
    Log log;
    auto run = group({3, 1, 2}, 10, &log);
    EXPECT_EQ(log.running, 3);
    clock.advance(3min);
    runSync(std::move(run));
    EXPECT_EQ(log.events, (QStringList{"start 3", "start 1", "start 2", "done 1", "done 2", "done 3"}));
}

TEST(ForEachLimited, StopsStartingAfterAFailureOrCancellationAndAwaitsThoseRunning) {
    FakeClock clock;
    {
        Log log;
        log.failOn = 10;
        auto run = group({30, 10, 20, 5}, 2, &log);
        clock.advance(10min);
        EXPECT_FALSE(run.isReady()); // the 30-minute task is still running
        clock.advance(20min);
        try {
            runSync(std::move(run));
            ADD_FAILURE() << "no error";
        } catch (const UpdateError& error) {
            EXPECT_TRUE(error.final);
        }
        EXPECT_EQ(log.events, (QStringList{"start 30", "start 10", "done 30"}));
    }
    {
        Log log;
        CancelToken token;
        auto run = group({10, 20, 30}, 1, &log, token);
        clock.advance(5min);
        token.cancel();
        clock.advance(1h);
        runSync(std::move(run));
        EXPECT_EQ(log.events, (QStringList{"start 10", "done 10"}));
    }
}
