// Unpacking a zipped 2,000-file application of about 190 MiB through the ditto stand-in, as an
// update is unpacked, against bsdtar extracting the same archive. Both run as processes, in
// alternation within each repetition; their peaks of memory are measured above unpacking a
// one-file archive.
#include "ZipBuilder.h"

#include "support/PeerRuns.h"
#include "support/Range.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

namespace {

// Content that compresses about as well as application code does.
QByteArray content(qsizetype size, quint32 seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = seed * 2654435761u + 1;
    for (qsizetype i = 0; i < size; ++i) {
        if (i % 4 == 0)
            state = state * 1664525u + 1013904223u;
        bytes[i] = char((state >> 24) & (i % 64 < 40 ? 0xFF : 0x0F));
    }
    return bytes;
}

struct Fixture {
    QTemporaryDir dir;
    QString zip = dir.filePath(QStringLiteral("Update.zip"));
    QString tiny = dir.filePath(QStringLiteral("Tiny.zip"));
    qint64 bytes = 0;

    Fixture() {
        ZipBuilder builder;
        const QString root = QStringLiteral("Big.app/Contents/");
        builder.file(root + QStringLiteral("MacOS/Big"), content(120 * 1024 * 1024, 1), 0755);
        bytes += 120 * 1024 * 1024;
        for (int i = 0; i < 2000; ++i) {
            const qsizetype size = 4096 + (i * 7919) % (60 * 1024);
            builder.file(root + QStringLiteral("Resources/Part%1/file%2.dat").arg(i % 40).arg(i),
                         content(size, quint32(i)));
            bytes += size;
        }
        if (!builder.write(zip) || !ZipBuilder().file(QStringLiteral("a"), "a").write(tiny))
            qFatal("cannot write the archives");
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

PeerCommand ditto(const QString& zip) {
    return [zip](const QString& out) {
        return std::pair(QStringLiteral(QUENLARK_TOOLS_DIR "/ditto"),
                         QStringList{QStringLiteral("-x"), QStringLiteral("-k"), zip, out});
    };
}

PeerCommand bsdtar(const QString& zip) {
    return [zip](const QString& out) {
        return std::pair(QStringLiteral("bsdtar"),
                         QStringList{QStringLiteral("-x"), QStringLiteral("-f"), zip, QStringLiteral("-C"), out});
    };
}

void dittoVersusBsdtar(benchmark::State& state) {
    Fixture& f = fixture();
    versusPeer(state, f.dir.path(), ditto(f.zip), bsdtar(f.zip), ditto(f.tiny), bsdtar(f.tiny));
    state.SetBytesProcessed(state.iterations() * f.bytes);
}

BENCHMARK(dittoVersusBsdtar)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(7)
    ->Apply(withRange);

} // namespace
