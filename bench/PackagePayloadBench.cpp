// Installing a flat package whose gzip payload holds an application of about 200 MiB in 1,200
// files, through the installer stand-in as the administrator step runs it, against bsdtar taking
// the Payload out of the same package and unpacking it. Both run as processes.
#include "PackageBuilder.h"

#include "support/LargeFile.h"
#include "support/Range.h"
#include "support/Unpacking.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

namespace {

struct Fixture {
    QTemporaryDir dir;
    QString package = dir.filePath(QStringLiteral("Update.pkg"));
    qint64 bytes = 0;

    Fixture() {
        PackageBuilder builder = PackageBuilder::teamA(false);
        builder.payload(PackageBuilder::Payload::Gzip);
        const QString root = QStringLiteral("Large.app/Contents/");
        builder.file(root + QStringLiteral("MacOS/Large"), pseudoRandom(8 * 1024 * 1024, 7), 0755);
        bytes += 8 * 1024 * 1024;
        for (int i = 0; i < 1200; ++i) {
            const qsizetype size = 160 * 1024 + i;
            builder.file(root + QStringLiteral("Resources/Part%1/file%2.dat").arg(i % 30).arg(i), pseudoRandom(size, quint32(i)));
            bytes += size;
        }
        if (!builder.write(package))
            qFatal("cannot write the package");
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void installer(benchmark::State& state) {
    Fixture& f = fixture();
    unpackEach(state, f.dir.path(), f.bytes, [&f](const QString& out) {
        return runProgram(QStringLiteral(QUENLARK_TOOLS_DIR "/installer"),
                          {QStringLiteral("-pkg"), f.package, QStringLiteral("-target"), out});
    });
}

void bsdtar(benchmark::State& state) {
    Fixture& f = fixture();
    unpackEach(state, f.dir.path(), f.bytes, [&f](const QString& out) {
        return runProgram(QStringLiteral("sh"), {QStringLiteral("-c"),
                                                 QStringLiteral("bsdtar -xOf \"$1\" Payload | bsdtar -xf - -C \"$2\""),
                                                 QStringLiteral("sh"), f.package, out});
    });
}

BENCHMARK(bsdtar)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(7)->Apply(withRange);
BENCHMARK(installer)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(7)->Apply(withRange);

} // namespace
