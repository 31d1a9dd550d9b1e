#include "runtime/MakeShared.h"

#include "RunSync.h"

#include <gtest/gtest.h>

#include <QThread>

#include <atomic>
#include <thread>

namespace {

class Probe : public QObject {
public:
    explicit Probe(std::atomic<QThread*>* deletedOn) : deletedOn_(deletedOn) {}
    ~Probe() override { deletedOn_->store(QThread::currentThread()); }

private:
    std::atomic<QThread*>* deletedOn_;
};

} // namespace

TEST(MakeShared, TheLastOwnerHandsDeletionToTheGuiThreadFromAnyThread) {
    std::atomic<QThread*> deletedOn{nullptr};
    auto shared = makeShared<Probe>(&deletedOn);
    std::thread worker([owned = std::move(shared)]() mutable { owned.reset(); });
    worker.join();
    EXPECT_EQ(deletedOn.load(), nullptr); // not on the worker
    ASSERT_TRUE(waitUntil([&] { return deletedOn.load() != nullptr; }));
    EXPECT_EQ(deletedOn.load(), QThread::currentThread());

    // On the GUI thread too, dropping the last owner never deletes from inside the caller.
    deletedOn = nullptr;
    auto local = makeShared<Probe>(&deletedOn);
    local.reset();
    EXPECT_EQ(deletedOn.load(), nullptr);
    ASSERT_TRUE(waitUntil([&] { return deletedOn.load() != nullptr; }));
}
