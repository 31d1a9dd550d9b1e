// Installing a flat package whose gzip payload holds an application of about 200 MiB in 1,200
// files, through the installer stand-in as the administrator step runs it, against bsdtar taking
// the Payload out of the same package and unpacking it. Both run as processes, in alternation
// within each repetition; their peaks of memory are measured above installing a one-file package.
#include "PackageBuilder.h"

#include "support/LargeFile.h"
#include "support/PeerRuns.h"
#include "support/Range.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

namespace {

struct Fixture {
    QTemporaryDir dir;
    QString package = dir.filePath(QStringLiteral("Update.pkg"));
    QString tiny = dir.filePath(QStringLiteral("Tiny.pkg"));
    qint64 bytes = 0;

    Fixture() {
        PackageBuilder builder = PackageBuilder::teamA(false);
        builder.payload(PackageBuilder::Payload::Gzip);
        const QString root = QStringLiteral("Large.app/Contents/");
        builder.file(root + QStringLiteral("MacOS/Large"), pseudoRandom(8 * 1024 * 1024, 7), 0755);
        bytes += 8 * 1024 * 1024;
        for (int i = 0; i < 1200; ++i) {
            const qsizetype size = 160 * 1024 + i;
            builder.file(root + QStringLiteral("Resources/Part%1/file%2.dat").arg(i % 30).arg(i),
                         pseudoRandom(size, quint32(i)));
            bytes += size;
        }
        if (!builder.write(package) || !PackageBuilder::teamA(false).file(QStringLiteral("a"), "a").write(tiny))
            qFatal("cannot write the packages");
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

PeerCommand installer(const QString& package) {
    return [package](const QString& out) {
        return std::pair(QStringLiteral(QUENLARK_TOOLS_DIR "/installer"),
                         QStringList{QStringLiteral("-pkg"), package, QStringLiteral("-target"), out});
    };
}

PeerCommand bsdtar(const QString& package) {
    return [package](const QString& out) {
        return std::pair(QStringLiteral("sh"),
                         QStringList{QStringLiteral("-c"),
                                     QStringLiteral("bsdtar -xOf \"$1\" Payload | bsdtar -xf - -C \"$2\""),
                                     QStringLiteral("sh"), package, out});
    };
}

void installerVersusBsdtar(benchmark::State& state) {
    Fixture& f = fixture();
    versusPeer(state, f.dir.path(), installer(f.package), bsdtar(f.package), installer(f.tiny), bsdtar(f.tiny));
    state.SetBytesProcessed(state.iterations() * f.bytes);
}

BENCHMARK(installerVersusBsdtar)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(7)
    ->Apply(withRange);

} // namespace
