#include "runtime/Blocking.h"

#include "runtime/MainThread.h"

#include <QMetaObject>
#include <QThread>

#include <algorithm>
#include <atomic>

namespace Blocking {

namespace {
std::atomic<int> flights{0};

// Never deleted: joining pool threads during static destruction would hang on running work.
QThreadPool* makePool(int threads) {
    auto* p = new QThreadPool;
    p->setMaxThreadCount(threads);
    return p;
}
} // namespace

QThreadPool& pool(Pool which) {
    // Separate pools so that a long scan never starves an install's tool runs.
    static QThreadPool* work = makePool(std::max(4, QThread::idealThreadCount()));
    static QThreadPool* scan = makePool(std::max(2, QThread::idealThreadCount() / 2));
    static QThreadPool* admin = makePool(1);
    static QThreadPool* keychain = makePool(1);
    // Work still running as the application object goes hands its result to an object being
    // torn down, from another thread; it is let finish first, as Qt does for its global pool.
    static const bool settled = [] {
        qAddPostRoutine(settle);
        return true;
    }();
    (void)settled;
    switch (which) {
    case Pool::Work:
        return *work;
    case Pool::Scan:
        return *scan;
    case Pool::Admin:
        return *admin;
    case Pool::Keychain:
        return *keychain;
    }
    return *work;
}

void resumeOnMainThread(std::coroutine_handle<> handle) {
    detail::beginFlight();
    detail::finishFlight(handle);
}

void detail::finishFlight(std::coroutine_handle<> handle) {
    auto* app = QCoreApplication::instance();
    if (!app) {
        --flights;
        return; // shutting down: the frame is abandoned rather than resumed on a pool thread
    }
    QMetaObject::invokeMethod(
        app,
        [handle] {
            handle.resume();
            --flights;
        },
        Qt::QueuedConnection);
}

int inFlight() { return flights.load(); }

void settle() {
    // Queued work is dropped: nothing would resume its frame now. Running work gets a bounded
    // wait, so a stuck tool cannot hold up quitting for ever. The keychain's queue is the
    // exception: it holds the session the user last asked to keep or to forget, which must
    // reach the keyring. Its calls are bounded and its saves collapse into one, so it ends.
    for (const Pool which : {Pool::Work, Pool::Scan, Pool::Admin}) {
        pool(which).clear();
        pool(which).waitForDone(5000);
    }
    pool(Pool::Keychain).waitForDone(30000);
}

void detail::beginFlight() { ++flights; }

void assertAwaitedOnMainThread() { QL_ASSERT_MAIN_THREAD(); }

} // namespace Blocking
