// From a disk image of a signed application of about 200 MiB in 1,200 files to the unpacked
// bundle and back to nothing, as an update opens one: the hdiutil stand-in attaches the image
// (its volume unpacked read-only) and detaches it, against `7z x` of the same image;
// each side's clean-up, the removal of what it unpacked, is timed with it. Both run as processes,
// and each repetition runs both, in alternating order, so that a slow spell of the machine
// weighs on both alike. The images hold an HFS+ volume as published ones do, of zlib, bzip2 or
// lzma chunks, and for comparison an ISO 9660 one of zlib chunks.
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
#include <map>
#include <memory>

namespace {

enum class Kind { HfsZlib, HfsBzip2, HfsLzma, IsoZlib };

// The volume's files, made once for every image.
struct Volume {
    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("volume"));

    Volume() {
        QDir().mkpath(folder);
        buildLargeBundle(folder + QStringLiteral("/Large.app"));
        QFile::link(QStringLiteral("/Applications"), folder + QStringLiteral("/Applications"));
    }
};

struct Fixture {
    QTemporaryDir dir;
    QString image = dir.filePath(QStringLiteral("Update.dmg"));
    QString bundle; // where 7-Zip puts the bundle, below its output folder

    explicit Fixture(Kind kind) {
        static Volume volume;
        const bool hfs = kind != Kind::IsoZlib;
        const QString raw = dir.filePath(QStringLiteral("volume.raw"));
        UdifWriter writer;
        writer.compression = kind == Kind::HfsBzip2  ? UdifWriter::Compression::Bzip2
                             : kind == Kind::HfsLzma ? UdifWriter::Compression::Lzma
                                                     : UdifWriter::Compression::Zlib;
        if (!(hfs ? makeHfs(volume.folder, raw) : makeIso(volume.folder, raw)) || !writer.write(raw, image))
            qFatal("cannot write the disk image");
        QFile::remove(raw);
        // 7-Zip unpacks an HFS+ volume into a folder of the volume's name.
        bundle = hfs ? QStringLiteral("/Example/Large.app") : QStringLiteral("/Large.app");
    }
};

Fixture& fixture(Kind kind) {
    static std::map<Kind, std::unique_ptr<Fixture>> made;
    auto& f = made[kind];
    if (!f)
        f = std::make_unique<Fixture>(kind);
    return *f;
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
    ChildRun run =
        ChildRun::of(tool, {QStringLiteral("attach"), QStringLiteral("-nobrowse"), QStringLiteral("-readonly"),
                            QStringLiteral("-noautoopen"), QStringLiteral("-mountpoint"), mount, f.image});
    run.ok = run.ok && QFileInfo::exists(mount + QStringLiteral("/Large.app/Contents/Info.plist"));
    run.then(ChildRun::of(tool, {QStringLiteral("detach"), QStringLiteral("-force"), mount}));
    run.ok = cleanUp(run, out) && run.ok;
    return run;
}

ChildRun sevenZip(const Fixture& f, const QString& out) {
    ChildRun run = ChildRun::of(QStringLiteral("7z"), {QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-bd"),
                                                       QStringLiteral("-o") + out, f.image});
    run.ok = run.ok && QFileInfo::exists(out + f.bundle + QStringLiteral("/Contents/Info.plist"));
    run.ok = cleanUp(run, out) && run.ok;
    return run;
}

void imageToBundle(benchmark::State& state, Kind kind) {
    Fixture& f = fixture(kind);
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

void repeated(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(9)->Apply(withRange);
}

BENCHMARK_CAPTURE(imageToBundle, hfs_zlib, Kind::HfsZlib)->Apply(repeated);
BENCHMARK_CAPTURE(imageToBundle, hfs_bzip2, Kind::HfsBzip2)->Apply(repeated);
BENCHMARK_CAPTURE(imageToBundle, hfs_lzma, Kind::HfsLzma)->Apply(repeated);
BENCHMARK_CAPTURE(imageToBundle, iso_zlib, Kind::IsoZlib)->Apply(repeated);

} // namespace
