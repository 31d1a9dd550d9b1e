#include "runtime/Spawn.h"

#include "runtime/Describe.h"

#include <QDebug>

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<bool> abortOnUnhandled{false};
}

void setAbortOnUnhandled(bool abort) { abortOnUnhandled = abort; }

void reportUnhandled(std::exception_ptr error, const char* where) {
    if (isCancellation(error))
        return;
    qWarning().noquote() << "Unhandled error in" << where << ":" << describe(error);
    if (abortOnUnhandled)
        std::abort();
}
