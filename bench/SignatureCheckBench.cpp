// Checking the signature of a signed application of about 200 MiB in 1,200 files (every sealed
// resource hashed, every slice's pages), against `openssl dgst -sha256` hashing the same files,
// the two alternating within each repetition.
#include "platform/codesign/CodeSignature.h"

#include "support/LargeBundle.h"
#include "support/PeerRuns.h"
#include "support/Range.h"

#include <benchmark/benchmark.h>

#include <QDirIterator>
#include <QTemporaryDir>


namespace {

struct Fixture {
    QTemporaryDir dir;
    QString bundle;
    QStringList files;
    qint64 bytes = 0;

    Fixture() {
        bundle = buildLargeBundle(dir.filePath(QStringLiteral("Large.app")));
        QDirIterator it(bundle, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            files.append(it.next());
            bytes += it.fileInfo().size();
        }
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void signatureCheckVersusOpenssl(benchmark::State& state) {
    Fixture& f = fixture();
    const auto anchors = TestPki::shared().anchors();
    alternatingWithPeer(
        state,
        [&] {
            const auto signature = CodeSignature::create(f.bundle, anchors);
            return signature && signature->checkValidity(CodeSignature::CheckAllArchitectures) == 0;
        },
        QStringLiteral("openssl"), QStringList{QStringLiteral("dgst"), QStringLiteral("-sha256")} + f.files);
    state.counters["files"] = double(f.files.size());
    state.SetBytesProcessed(state.iterations() * f.bytes);
}

BENCHMARK(signatureCheckVersusOpenssl)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(9)
    ->Apply(withRange);

} // namespace
