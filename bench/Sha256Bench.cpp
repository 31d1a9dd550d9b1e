// SHA-256 of a 1 GiB download, against `openssl dgst -sha256` reading the same file (the fastest
// hashing tool here), the two alternating within each repetition.
#include "install/SignatureChecks.h"

#include "support/LargeFile.h"
#include "support/PeerRuns.h"
#include "support/Range.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr qint64 fileSize = 1024LL * 1024 * 1024;

struct Fixture {
    QTemporaryDir dir;
    QString file = dir.filePath("download.bin");

    Fixture() { writeLargeFile(file, fileSize); }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void sha256VersusOpenssl(benchmark::State& state) {
    const QString path = fixture().file;
    alternatingWithPeer(state, [&path] { return !SignatureChecks::sha256(path).isEmpty(); }, QStringLiteral("openssl"),
                        {QStringLiteral("dgst"), QStringLiteral("-sha256"), path});
    state.SetBytesProcessed(state.iterations() * fileSize);
}

} // namespace

BENCHMARK(sha256VersusOpenssl)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(7)
    ->Apply(withRange);
