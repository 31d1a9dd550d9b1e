#include "runtime/Blocking.h"
#include "runtime/Cancelled.h"
#include "runtime/Spawn.h"
#include "runtime/UpdateError.h"

#include "FakeClock.h"
#include "RecordingReporter.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <chrono>
#include <stdexcept>

using namespace std::chrono_literals;

namespace {

QCoro::Task<void> failAfterHop() {
    co_await Blocking::run([] {});
    throw UpdateError(QStringLiteral("The update couldn't be installed."), {.needsPermission = true});
}

QCoro::Task<int> failAtOnce() {
    throw std::runtime_error("broken at once");
    co_return 0;
}

QCoro::Task<void> cancelledAfterSleep() {
    co_await Clock::shared().sleep(1h);
    throw Cancelled();
}

QCoro::Task<void> setAfterSleep(bool* done) {
    co_await Clock::shared().sleep(1h);
    *done = true;
}

} // namespace

TEST(Spawn, KeepsTheTaskRunningAndReportsWhatItThrowsButNotCancellation) {
    RecordingReporter reporter;
    FakeClock clock;

    bool done = false;
    spawn(setAfterSleep(&done)); // nothing else holds the task
    spawn(cancelledAfterSleep());
    spawn(failAtOnce(), "refresh");
    spawn(failAfterHop(), "install");
    ASSERT_TRUE(waitUntil([&] { return reporter.errors.size() == 2; }));
    clock.advance(1h);

    EXPECT_TRUE(done);
    EXPECT_EQ(reporter.places, (QStringList{"refresh", "install"}));
    EXPECT_EQ(reporter.texts.at(0), QStringLiteral("broken at once"));
    try {
        std::rethrow_exception(reporter.errors.at(1));
    } catch (const UpdateError& error) {
        EXPECT_TRUE(error.needsPermission);
    }
    EXPECT_EQ(reporter.errors.size(), 2); // the cancellation stayed quiet
}

TEST(SpawnDeathTest, AbortsTestBuildsOnAnUnhandledError) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(spawn(failAtOnce(), "refresh"), "Unhandled error in refresh.*broken at once");
}

TEST(Guarded, StopsErrorsAtTheEventLoopAndFitsQtSignals) {
    RecordingReporter reporter;

    // timeout() carries a private argument and objectNameChanged a name: both are dropped
    // for callables that take nothing, as with plain lambdas.
    int fired = 0;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout,
                     guarded(
                         [&fired] {
                             ++fired;
                             throw UpdateError(QStringLiteral("The app couldn't be moved."));
                         },
                         "timer"));
    QObject named;
    QString seen;
    QObject::connect(&named, &QObject::objectNameChanged, guarded([&seen](const QString& name) { seen = name; }));
    QObject::connect(&named, &QObject::objectNameChanged, guarded([&fired] { ++fired; }));

    timer.start(0);
    ASSERT_TRUE(waitUntil([&] { return fired == 1; }));
    named.setObjectName(QStringLiteral("row"));

    EXPECT_EQ(fired, 2);
    EXPECT_EQ(seen, QStringLiteral("row"));
    EXPECT_EQ(reporter.places, QStringList{"timer"});
    EXPECT_EQ(reporter.texts, QStringList{"The app couldn't be moved."});

    // A failing callable that returns a value gives the default one.
    auto count = guarded([]() -> int { throw std::runtime_error("no count"); });
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(reporter.texts.last(), QStringLiteral("no count"));
}
