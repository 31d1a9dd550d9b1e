// Opening a zlib disk image of a signed application of about 200 MiB in 1,200 files as an update
// is opened (the hdiutil stand-in attaches it: the image expanded, its volume unpacked read-only,
// then detached), against `7z x` of the volume the image carries: 7-Zip reads the table of these
// images by its name as HFS+ and fails on the ISO 9660 volume inside, so it is given the volume
// itself, already expanded. Both run as processes.
#include "UdifWriter.h"

#include "support/LargeBundle.h"
#include "support/Range.h"
#include "support/Unpacking.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

struct Fixture {
    QTemporaryDir dir;
    QString image = dir.filePath(QStringLiteral("Update.dmg"));
    QString volume = dir.filePath(QStringLiteral("volume.iso"));

    Fixture() {
        const QString folder = dir.filePath(QStringLiteral("volume"));
        QDir().mkpath(folder);
        buildLargeBundle(folder + QStringLiteral("/Large.app"));
        QFile::link(QStringLiteral("/Applications"), folder + QStringLiteral("/Applications"));
        if (!makeIso(folder, volume) || !UdifWriter{}.write(volume, image))
            qFatal("cannot write the disk image");
        QDir(folder).removeRecursively();
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void hdiutil(benchmark::State& state) {
    Fixture& f = fixture();
    unpackEach(state, f.dir.path(), QFileInfo(f.image).size(), [&f](const QString& out) {
        const QString tool = QStringLiteral(QUENLARK_TOOLS_DIR "/hdiutil");
        const QString mount = out + QStringLiteral("/mount");
        return runProgram(tool, {QStringLiteral("attach"), QStringLiteral("-nobrowse"), QStringLiteral("-readonly"),
                                 QStringLiteral("-noautoopen"), QStringLiteral("-mountpoint"), mount, f.image})
            && runProgram(tool, {QStringLiteral("detach"), QStringLiteral("-force"), mount});
    });
}

void sevenZip(benchmark::State& state) {
    Fixture& f = fixture();
    unpackEach(state, f.dir.path(), QFileInfo(f.image).size(), [&f](const QString& out) {
        return runProgram(QStringLiteral("7z"), {QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-bd"),
                                                 QStringLiteral("-o") + out, f.volume});
    });
}

BENCHMARK(sevenZip)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(7)->Apply(withRange);
BENCHMARK(hdiutil)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(7)->Apply(withRange);

} // namespace
