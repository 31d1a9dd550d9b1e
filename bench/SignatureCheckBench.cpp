// Checking the signature of a signed application of about 200 MiB in 1,200 files (every sealed
// resource hashed, every slice's pages), against sha256sum hashing the same files.
#include "platform/codesign/CodeSignature.h"

#include "support/LargeBundle.h"
#include "support/Range.h"

#include <benchmark/benchmark.h>

#include <QDirIterator>
#include <QProcess>
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

void signatureCheck(benchmark::State& state) {
    Fixture& f = fixture();
    const auto anchors = TestPki::shared().anchors();
    for (auto _ : state) {
        const auto signature = CodeSignature::create(f.bundle, anchors);
        if (!signature || signature->checkValidity(CodeSignature::CheckAllArchitectures) != 0) {
            state.SkipWithError("the signature did not check");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * f.bytes);
}

void sha256sum(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(QStringLiteral("sha256sum"), f.files);
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            state.SkipWithError("sha256sum failed");
            break;
        }
    }
    state.counters["files"] = double(f.files.size());
    state.SetBytesProcessed(state.iterations() * f.bytes);
}

BENCHMARK(sha256sum)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(9)->Apply(withRange);
BENCHMARK(signatureCheck)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(9)->Apply(withRange);

} // namespace
