#pragma once

#include "ChildRun.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cerrno>
#include <chrono>
#include <functional>
#include <utility>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

// One run of a program in a fresh process, started by GNU time for its peak resident memory as
// the kernel kept it (for a shell, the largest of the processes it waited for): a process
// started straight from this large one would inherit its high-water mark, and time's own small
// one is all a child of it inherits.
struct PeerRun {
    bool ok = false;
    double seconds = 0;
    double peakMiB = 0;
};

inline PeerRun runPeer(const QString& program, const QStringList& arguments) {
    const QString report = QDir::temp().filePath(QStringLiteral("peer-run-%1.rss").arg(::getpid()));
    PeerRun run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = spawnSilently(QStringLiteral("/usr/bin/time"),
                                    QStringList{QStringLiteral("-f"), QStringLiteral("%M"), QStringLiteral("-o"),
                                                report, QStringLiteral("--"), program} +
                                        arguments);
    if (pid <= 0)
        return run;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    QFile file(report);
    const QList<QByteArray> lines =
        file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().split('\n') : QList<QByteArray>();
    run.peakMiB = lines.isEmpty() ? 0 : lines.last().toDouble() / 1024.0;
    file.remove();
    return run;
}

// What one side runs to fill the fresh folder `out`: the program and its arguments.
using PeerCommand = std::function<std::pair<QString, QStringList>(const QString& out)>;

// Ours against the peer in the same repetition: each iteration runs both, each as a fresh
// process into a fresh folder below `dir` (made and removed untimed), which goes first
// alternating from one iteration to the next, so both meet the same machine. The time of ours is
// the iteration's time; counters give both times, their ratio and both peaks of resident memory,
// also above what the same programs take for `idle` work (a tiny input), which counts the
// loaded libraries alike on both sides. Use with UseManualTime().
inline void versusPeer(benchmark::State& state, const QString& dir, const PeerCommand& ours, const PeerCommand& peer,
                       const PeerCommand& oursIdle, const PeerCommand& peerIdle) {
    static int turn = 0;
    const auto runInto = [&dir](const PeerCommand& command) {
        QTemporaryDir out(dir + QStringLiteral("/out-XXXXXX"));
        const auto [program, arguments] = command(out.path());
        return runPeer(program, arguments);
    };
    for (auto _ : state) {
        PeerRun mine;
        PeerRun theirs;
        if (turn++ % 2 == 0) {
            mine = runInto(ours);
            theirs = runInto(peer);
        } else {
            theirs = runInto(peer);
            mine = runInto(ours);
        }
        const PeerRun mineIdle = runInto(oursIdle);
        const PeerRun theirsIdle = runInto(peerIdle);
        if (!mine.ok || !theirs.ok || !mineIdle.ok || !theirsIdle.ok) {
            state.SkipWithError("a run failed");
            break;
        }
        state.SetIterationTime(mine.seconds);
        state.counters["ours_ms"] = mine.seconds * 1000;
        state.counters["peer_ms"] = theirs.seconds * 1000;
        state.counters["ratio"] = mine.seconds / theirs.seconds;
        state.counters["ours_peak_MiB"] = mine.peakMiB;
        state.counters["peer_peak_MiB"] = theirs.peakMiB;
        state.counters["ours_above_idle_MiB"] = mine.peakMiB - mineIdle.peakMiB;
        state.counters["peer_above_idle_MiB"] = theirs.peakMiB - theirsIdle.peakMiB;
    }
}

// Ours (in this process) against the peer (a fresh process of `program`) in the same
// repetition, which goes first alternating from one iteration to the next. `ours` does the work
// and tells whether it came out right. The time of ours is the iteration's time; counters give
// both times and their ratio. Use with UseManualTime().
template <typename Ours>
void alternatingWithPeer(benchmark::State& state, Ours ours, const QString& program, const QStringList& arguments) {
    static int turn = 0;
    double mine = 0, theirs = 0;
    for (auto _ : state) {
        for (const bool peerNow : {turn % 2 == 1, turn % 2 == 0}) {
            if (peerNow) {
                const PeerRun run = runPeer(program, arguments);
                if (!run.ok) {
                    state.SkipWithError("the peer failed");
                    return;
                }
                theirs += run.seconds;
                continue;
            }
            const auto start = std::chrono::steady_clock::now();
            const bool ok = ours();
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (!ok) {
                state.SkipWithError("ours came out wrong");
                return;
            }
            mine += seconds;
            state.SetIterationTime(seconds);
        }
        ++turn;
    }
    state.counters["ours_ms"] = mine * 1000 / double(state.iterations());
    state.counters["peer_ms"] = theirs * 1000 / double(state.iterations());
    state.counters["ratio"] = theirs > 0 ? mine / theirs : 0;
}
