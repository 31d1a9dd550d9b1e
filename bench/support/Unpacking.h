#pragma once

#include <benchmark/benchmark.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// Runs a program to its end; whether it exited normally with status 0.
inline bool runProgram(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// One unpacking per iteration into a fresh folder below `dir`; only `unpack` is timed. `bytes`
// is what one unpacking processes.
inline void unpackEach(benchmark::State& state, const QString& dir, qint64 bytes,
                       const std::function<bool(const QString& out)>& unpack) {
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir out(dir + QStringLiteral("/out-XXXXXX"));
        state.ResumeTiming();
        if (!unpack(out.path())) {
            state.SkipWithError("the unpacking failed");
            break;
        }
        state.PauseTiming();
        out.remove();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
