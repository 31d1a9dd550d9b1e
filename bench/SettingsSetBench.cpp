#include "platform/system/Defaults.h"

#include "support/Range.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>

namespace {

// How long a change of the settings keeps its caller, the GUI thread: the notified keys the end
// of a refresh of 2,000 rows stores, then a switch turned, once per iteration. The settings file
// lives on the disk of the temporary folder, as the user's does on theirs.
void SettingsSet(benchmark::State& state) {
    QTemporaryDir root;
    Defaults d(root.filePath(QStringLiteral("settings.plist")));
    QStringList keys;
    for (int i = 0; i < 2000; ++i)
        keys.append(QStringLiteral("com.example.app%1@%2.%3.1").arg(i).arg(i % 9).arg(i % 17));
    double longest = 0;
    int round = 0;
    QElapsedTimer timer;
    for (auto _ : state) {
        keys[0] = QStringLiteral("com.example.app0@%1").arg(++round); // a new offer each time
        timer.start();
        const bool stored =
            d.set(QStringLiteral("notified"), keys) && d.set(QStringLiteral("showMenuBar"), round % 2 == 0);
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (!stored)
            state.SkipWithError("a setting was not stored");
        longest = std::max(longest, ms);
        state.SetIterationTime(ms / 1000);
    }
    state.counters["longestMs"] = longest;
}

BENCHMARK(SettingsSet)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200)
    ->Repetitions(3)
    ->Apply(withRange);

} // namespace
