// The copy that dominates an update's swap: the ditto stand-in copying a signed application of
// about 200 MiB in 1,200 files next to the installed one, against `cp -a` of the same bundle.
#include "support/LargeBundle.h"
#include "support/Range.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Fixture {
    QTemporaryDir dir;
    QString bundle;

    Fixture() {
        bundle = buildLargeBundle(dir.filePath(QStringLiteral("Large.app")));
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void copyWith(benchmark::State& state, const QString& program, const QStringList& options) {
    Fixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir staging(f.dir.filePath(QStringLiteral("staging-XXXXXX")));
        state.ResumeTiming();
        QProcess process;
        process.start(program, options + QStringList{f.bundle, staging.filePath(QStringLiteral("Large.app"))});
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            state.SkipWithError("the copy failed");
            break;
        }
        state.PauseTiming();
        staging.remove();
        state.ResumeTiming();
    }
}

void cpA(benchmark::State& state) { copyWith(state, QStringLiteral("cp"), {QStringLiteral("-a")}); }
void ditto(benchmark::State& state) { copyWith(state, QStringLiteral(QUENLARK_TOOLS_DIR "/ditto"), {}); }

BENCHMARK(cpA)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(9)->Apply(withRange);
BENCHMARK(ditto)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(9)->Apply(withRange);

} // namespace
