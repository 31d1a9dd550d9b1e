// From a zlib disk image of a signed application of about 200 MiB in 1,200 files to the unpacked
// bundle and back to nothing, as an update opens one: the hdiutil stand-in attaches the image
// (expanded, its volume unpacked read-only) and detaches it, against `7z x` of the same image;
// each side's clean-up, the removal of what it unpacked, is timed with it. Both run as processes,
// and each repetition runs both, in alternating order, so that a slow spell of the machine
// weighs on both alike.
//
// The time is ours; the counters give 7-Zip's time (7z_ms) and ours against it (ratio), and for
// each side its page faults, its peak anonymous memory and its resident peak (VmHWM).
#include "UdifWriter.h"

#include "support/ChildRun.h"
#include "support/LargeBundle.h"
#include "support/Range.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>

namespace {

struct Fixture {
    QTemporaryDir dir;
    QString image = dir.filePath(QStringLiteral("Update.dmg"));

    Fixture() {
        const QString folder = dir.filePath(QStringLiteral("volume"));
        const QString volume = dir.filePath(QStringLiteral("volume.iso"));
        QDir().mkpath(folder);
        buildLargeBundle(folder + QStringLiteral("/Large.app"));
        QFile::link(QStringLiteral("/Applications"), folder + QStringLiteral("/Applications"));
        if (!makeIso(folder, volume) || !UdifWriter{}.write(volume, image))
            qFatal("cannot write the disk image");
        QDir(folder).removeRecursively();
        QFile::remove(volume);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// Removes what a side unpacked, timed into its run; false when anything is left.
bool cleanUp(ChildRun& run, const QString& out) {
    const auto start = std::chrono::steady_clock::now();
    const bool removed = QDir(out).removeRecursively();
    run.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return removed;
}

ChildRun ours(const Fixture& f, const QString& out) {
    const QString tool = QStringLiteral(QUENLARK_TOOLS_DIR "/hdiutil");
    const QString mount = out + QStringLiteral("/mount");
    ChildRun run = ChildRun::of(tool, {QStringLiteral("attach"), QStringLiteral("-nobrowse"), QStringLiteral("-readonly"),
                                       QStringLiteral("-noautoopen"), QStringLiteral("-mountpoint"), mount, f.image});
    run.ok = run.ok && QFileInfo::exists(mount + QStringLiteral("/Large.app/Contents/Info.plist"));
    run.then(ChildRun::of(tool, {QStringLiteral("detach"), QStringLiteral("-force"), mount}));
    run.ok = cleanUp(run, out) && run.ok;
    return run;
}

ChildRun sevenZip(const Fixture& f, const QString& out) {
    ChildRun run = ChildRun::of(QStringLiteral("7z"), {QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-bd"),
                                                       QStringLiteral("-o") + out, f.image});
    run.ok = run.ok && QFileInfo::exists(out + QStringLiteral("/Large.app/Contents/Info.plist"));
    run.ok = cleanUp(run, out) && run.ok;
    return run;
}

void imageToBundle(benchmark::State& state) {
    Fixture& f = fixture();
    static int repetition = 0; // each repetition calls anew: ours goes first every other one
    for (auto _ : state) {
        const QString out = f.dir.filePath(QStringLiteral("out"));
        ChildRun mine, peer;
        if (repetition++ % 2 == 0) {
            mine = ours(f, out);
            peer = sevenZip(f, out);
        } else {
            peer = sevenZip(f, out);
            mine = ours(f, out);
        }
        if (!mine.ok || !peer.ok) {
            state.SkipWithError(mine.ok ? "7z x failed" : "the attach failed");
            break;
        }
        state.SetIterationTime(mine.seconds);
        state.counters["7z_ms"] = peer.seconds * 1000;
        state.counters["ratio"] = mine.seconds / peer.seconds;
        state.counters["faults"] = double(mine.minorFaults + mine.majorFaults);
        state.counters["7z_faults"] = double(peer.minorFaults + peer.majorFaults);
        state.counters["anon_MiB"] = double(mine.peakAnonKiB) / 1024;
        state.counters["7z_anon_MiB"] = double(peer.peakAnonKiB) / 1024;
        state.counters["hwm_MiB"] = double(mine.residentPeakKiB) / 1024;
        state.counters["7z_hwm_MiB"] = double(peer.residentPeakKiB) / 1024;
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(f.image).size());
}

BENCHMARK(imageToBundle)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(9)->Apply(withRange);

} // namespace
