#include "runtime/Spawn.h"

#include "runtime/Describe.h"

#include <QDebug>

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace {
std::atomic<bool> abortOnUnhandled{false};
std::mutex reporterMutex;
UnhandledReporter reporter;
} // namespace

void setAbortOnUnhandled(bool abort) { abortOnUnhandled = abort; }

UnhandledReporter setUnhandledReporter(UnhandledReporter next) {
    std::lock_guard lock(reporterMutex);
    return std::exchange(reporter, std::move(next));
}

void reportUnhandled(std::exception_ptr error, const char* where) {
    if (!error || isCancellation(error))
        return;
    UnhandledReporter current;
    {
        std::lock_guard lock(reporterMutex);
        current = reporter;
    }
    if (current) {
        current(error, where);
        return;
    }
    qWarning().noquote() << "Unhandled error in" << where << ":" << describe(error);
    if (abortOnUnhandled)
        std::abort();
}
