#include "runtime/Blocking.h"

#include <QMetaObject>

namespace Blocking {

QThreadPool& pool(Pool which) {
    // Separate pools so that a long scan never starves an install's tool runs.
    static QThreadPool* work = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(std::max(4, QThread::idealThreadCount()));
        return p;
    }();
    static QThreadPool* scan = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(std::max(2, QThread::idealThreadCount() / 2));
        return p;
    }();
    return which == Pool::Work ? *work : *scan;
}

void resumeOnMainThread(std::coroutine_handle<> handle) {
    auto* app = QCoreApplication::instance();
    Q_ASSERT(app);
    QMetaObject::invokeMethod(app, [handle] { handle.resume(); }, Qt::QueuedConnection);
}

} // namespace Blocking
