#pragma once

#include "ThreadCpu.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <vector>

// The GUI thread's steps in its own CPU time, with what went with the worst one: the page
// faults it took (the kernel's time, counted as the thread's) and how often the scheduler gave
// its core away (on a busy machine the core comes back with cold caches). A spike made of those
// is the machine's; one without them is the view's own work.
class StepTrace {
public:
    void begin() {
        started_ = threadCpuMs();
        before_ = usage();
    }
    // The step's CPU time in milliseconds.
    double end() {
        const double ms = threadCpuMs() - started_;
        const rusage after = usage();
        times_.push_back(ms);
        if (ms < worst_)
            return ms;
        worst_ = ms;
        worstStep_ = static_cast<double>(times_.size() - 1);
        worstFaults_ = static_cast<double>(after.ru_minflt - before_.ru_minflt + after.ru_majflt - before_.ru_majflt);
        worstPreempted_ = static_cast<double>(after.ru_nivcsw - before_.ru_nivcsw);
        return ms;
    }
    // The median and the worst step, and what went with the worst.
    void report(benchmark::State& state) {
        if (times_.empty())
            return;
        std::vector<double> sorted = times_;
        std::sort(sorted.begin(), sorted.end());
        state.counters["median_ms"] = sorted[sorted.size() / 2];
        state.counters["worst_ms"] = worst_;
        state.counters["worst_step"] = worstStep_;
        state.counters["worst_faults"] = worstFaults_;
        state.counters["worst_preempted"] = worstPreempted_;
    }

private:
    static rusage usage() {
        rusage now{};
        getrusage(RUSAGE_THREAD, &now);
        return now;
    }
    std::vector<double> times_;
    double started_ = 0;
    rusage before_{};
    double worst_ = 0, worstStep_ = 0, worstFaults_ = 0, worstPreempted_ = 0;
};
