#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

// Repetitions reported as their aggregates with the range: median and mean, min and max.
// Use as BENCHMARK(x)->Repetitions(n)->Apply(withRange).
inline void withRange(benchmark::internal::Benchmark* b) {
    const auto smallest = [](const std::vector<double>& v) {
        return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
    };
    const auto largest = [](const std::vector<double>& v) {
        return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
    };
    b->ComputeStatistics("min", smallest)->ComputeStatistics("max", largest)->ReportAggregatesOnly();
}
