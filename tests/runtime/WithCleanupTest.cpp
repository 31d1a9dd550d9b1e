#include "runtime/Blocking.h"
#include "runtime/Cancelled.h"
#include "runtime/Describe.h"
#include "runtime/FileError.h"
#include "runtime/UpdateError.h"
#include "runtime/WithCleanup.h"

#include "RunSync.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <cerrno>

namespace {

enum class Outcome { Value, Fails, Cancelled };

void finish(Outcome outcome) {
    switch (outcome) {
    case Outcome::Value:
        return;
    case Outcome::Fails:
        throw UpdateError(QStringLiteral("The download failed."), {.needsPermission = true});
    case Outcome::Cancelled:
        throw Cancelled();
    }
}

// Both sides suspend on a pool thread, so a clean-up that was not awaited would log late.
QCoro::Task<int> body(Outcome outcome, QStringList* log) {
    co_await Blocking::run([] {});
    log->append(QStringLiteral("body"));
    finish(outcome);
    co_return 7;
}

QCoro::Task<void> cleanup(bool fails, QStringList* log) {
    co_await Blocking::run([] {});
    log->append(QStringLiteral("cleanup"));
    if (fails)
        throw FileError(FileError::Op::Remove, QStringLiteral("/tmp/work"), EBUSY);
}

QCoro::Task<int> guardedWork(Outcome outcome, bool cleanupFails, QStringList* log) {
    const int value = co_await withCleanup([outcome, log] { return body(outcome, log); },
                                           [cleanupFails, log] { return cleanup(cleanupFails, log); });
    log->append(QStringLiteral("after"));
    co_return value;
}

QCoro::Task<void> voidWork(QStringList* log) {
    co_await withCleanup([log]() -> QCoro::Task<void> { return cleanup(false, log); },
                         [log] { return cleanup(false, log); });
}

} // namespace

TEST(WithCleanup, AwaitsTheCleanupOnEveryWayOutAndKeepsTheBodysError) {
    struct Case {
        Outcome body;
        bool cleanupFails;
        const char* expected; // "value", or the class of error that comes out
    };
    const Case cases[] = {
        {Outcome::Value, false, "value"},
        {Outcome::Value, true, "FileError"}, // nothing else to report: the clean-up's own
        {Outcome::Fails, false, "UpdateError"},
        {Outcome::Fails, true, "UpdateError"}, // the body's error wins
        {Outcome::Cancelled, false, "Cancelled"},
        {Outcome::Cancelled, true, "Cancelled"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.body) << " cleanupFails=" << c.cleanupFails);
        QStringList log;
        std::exception_ptr error;
        int value = 0;
        try {
            value = runSync(guardedWork(c.body, c.cleanupFails, &log));
        } catch (...) {
            error = std::current_exception();
        }
        const QStringList expectedLog =
            error ? QStringList{"body", "cleanup"} : QStringList{"body", "cleanup", "after"};
        EXPECT_EQ(log, expectedLog);
        const std::string expected = c.expected;
        if (expected == "value") {
            EXPECT_FALSE(error);
            EXPECT_EQ(value, 7);
        } else if (expected == "FileError") {
            EXPECT_THROW(std::rethrow_exception(error), FileError);
        } else if (expected == "UpdateError") {
            try {
                std::rethrow_exception(error);
            } catch (const UpdateError& e) {
                EXPECT_TRUE(e.needsPermission);
            } catch (...) {
                ADD_FAILURE() << "another error came out";
            }
        } else {
            EXPECT_TRUE(isCancellation(error));
        }
    }

    QStringList log;
    runSync(voidWork(&log));
    EXPECT_EQ(log, (QStringList{"cleanup", "cleanup"}));
}
