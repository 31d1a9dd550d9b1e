#include "runtime/Blocking.h"
#include "runtime/FileError.h"
#include "runtime/UpdateError.h"

#include "RunSync.h"

#include <gtest/gtest.h>

#include <QThread>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using Blocking::Pool;

const Pool allPools[] = {Pool::Work, Pool::Scan, Pool::Admin};

struct Hop {
    QThread* ranOn = nullptr;
    QThread* resumedOn = nullptr;
    int value = 0;
};

QCoro::Task<Hop> hop(Pool pool) {
    Hop result;
    auto owned = co_await Blocking::run(
        [&result] {
            result.ranOn = QThread::currentThread();
            return std::make_unique<int>(42); // move-only values come back whole
        },
        pool);
    result.value = *owned;
    result.resumedOn = QThread::currentThread();
    co_return result;
}

template <typename Exception>
QCoro::Task<void> throwOffThread(Exception exception, Pool pool) {
    auto work = [exception] { throw exception; };
    co_await Blocking::run(work, pool);
}

QCoro::Task<bool> allMeetAtOnce(int count) {
    // Each job waits for all the others: only a pool with `count` threads lets them meet.
    auto arrived = std::make_shared<std::atomic<int>>(0);
    std::vector<QCoro::Task<bool>> jobs;
    for (int i = 0; i < count; ++i)
        jobs.push_back([](std::shared_ptr<std::atomic<int>> arrived, int count) -> QCoro::Task<bool> {
            auto meet = [arrived, count] {
                ++*arrived;
                const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                while (*arrived < count && std::chrono::steady_clock::now() < end)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                return arrived->load() >= count;
            };
            co_return co_await Blocking::run(meet);
        }(arrived, count));
    bool all = true;
    for (auto& job : jobs)
        all = co_await job && all;
    co_return all;
}

} // namespace

TEST(Blocking, RunsOffTheGuiThreadAndResumesOnItInEveryPool) {
    for (Pool pool : allPools) {
        SCOPED_TRACE(static_cast<int>(pool));
        const Hop result = runSync(hop(pool));
        EXPECT_EQ(result.value, 42);
        EXPECT_NE(result.ranOn, nullptr);
        EXPECT_NE(result.ranOn, QThread::currentThread());
        EXPECT_EQ(result.resumedOn, QThread::currentThread());
    }
}

TEST(Blocking, RethrowsTheOriginalErrorWithItsFieldsFromEveryPool) {
    for (Pool pool : allPools) {
        SCOPED_TRACE(static_cast<int>(pool));
        try {
            runSync(throwOffThread(
                UpdateError(QStringLiteral("Nothing was installed."), {.needsPermission = true, .final = true}), pool));
            ADD_FAILURE() << "no error";
        } catch (const UpdateError& error) {
            EXPECT_EQ(error.description(), QStringLiteral("Nothing was installed."));
            EXPECT_TRUE(error.needsPermission);
            EXPECT_TRUE(error.final);
        }
        try {
            runSync(throwOffThread(FileError(FileError::Op::Remove, QStringLiteral("/a/b"), EACCES), pool));
            ADD_FAILURE() << "no error";
        } catch (const FileError& error) {
            EXPECT_EQ(error.op, FileError::Op::Remove);
            EXPECT_EQ(error.path, QStringLiteral("/a/b"));
            EXPECT_EQ(error.error, EACCES);
        }
        // Not only our own errors: any type arrives as itself.
        EXPECT_THROW(runSync(throwOffThread(std::out_of_range("index"), pool)), std::out_of_range);
    }
}

TEST(Blocking, WorkPoolRunsAtLeastFourJobsAtOnce) {
    EXPECT_GE(Blocking::pool(Pool::Work).maxThreadCount(), 4);
    EXPECT_TRUE(runSync(allMeetAtOnce(4)));
}
