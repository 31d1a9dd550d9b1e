#pragma once

#include "platform/files/UniqueFd.h"

#include <QString>

// The per-user lock a launch holds while it finds the other running copies and decides which one
// stays. Without it, copies launched together could each ask the other to quit and none would
// survive. The lock file sits beside the single-instance socket, in the user's private folder;
// the kernel releases it when the process ends, however it ends.
class InstanceLock {
public:
    // Waits up to `waitMs` for the lock; a launch that still can't have it goes on without.
    explicit InstanceLock(const QString& socketPath, int waitMs = 10000);

    bool held() const { return bool(fd_); }
    void release();

private:
    UniqueFd fd_;
};
