#pragma once

#include <ctime>

// CPU time of the calling thread in milliseconds: what a view costs the GUI thread, whatever
// else the machine is doing.
inline double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}
