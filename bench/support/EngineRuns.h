#pragma once

#include "AnonymousPeak.h"
#include "AwaitTask.h"

#include <benchmark/benchmark.h>

#include <QCoro/QCoroTask>
#include <QString>

#include <algorithm>
#include <optional>
#include <string>

// Times one engine run per iteration after its untimed preparation and records the peak anonymous
// memory above the idle process. `run` gives a task ending in nothing or in the refusal, which
// skips the benchmark with its sentence.
template <typename Prepare, typename Run>
void engineRuns(benchmark::State& state, Prepare prepare, Run run) {
    double peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto prepared = prepare();
        state.ResumeTiming();
        AnonymousPeak watch;
        const std::optional<QString> refusal = awaitTask(run(prepared));
        peak = std::max(peak, watch.aboveStartMiB());
        if (refusal) {
            static std::string message;
            message = refusal->toStdString();
            state.SkipWithError(message.c_str());
            break;
        }
    }
    state.counters["peak_anon_MiB_above_idle"] = peak;
}
