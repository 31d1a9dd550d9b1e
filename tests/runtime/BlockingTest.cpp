#include "runtime/Blocking.h"
#include "runtime/UpdateError.h"

#include "RunSync.h"

#include <gtest/gtest.h>

#include <QThread>

namespace {

QCoro::Task<int> answerOffThread(QThread** ranOn) {
    const int value = co_await Blocking::run([ranOn] {
        *ranOn = QThread::currentThread();
        return 42;
    });
    co_return value;
}

QCoro::Task<QThread*> threadAfterResume() {
    co_await Blocking::run([] {}, Blocking::Pool::Scan);
    co_return QThread::currentThread();
}

QCoro::Task<int> failingWork() {
    co_return co_await Blocking::run([]() -> int {
        throw UpdateError(QStringLiteral("Nothing was installed."), true, false);
    });
}

} // namespace

TEST(Blocking, RunsOffTheGuiThreadAndResumesOnIt) {
    QThread* ranOn = nullptr;
    EXPECT_EQ(runSync(answerOffThread(&ranOn)), 42);
    EXPECT_NE(ranOn, QThread::currentThread());
    EXPECT_EQ(runSync(threadAfterResume()), QThread::currentThread());
}

TEST(Blocking, RethrowsTheOriginalError) {
    try {
        runSync(failingWork());
        FAIL() << "no error";
    } catch (const UpdateError& error) {
        EXPECT_EQ(error.description(), QStringLiteral("Nothing was installed."));
        EXPECT_TRUE(error.needsPermission);
        EXPECT_FALSE(error.final);
    }
}
