// The copy that dominates an update's swap: the ditto stand-in copying a signed application of
// about 200 MiB in 1,200 files next to the installed one, against `cp -a` of the same bundle.
// Both run as processes, in alternation within each repetition; their peaks of memory are
// measured above copying a one-file folder.
#include "support/LargeBundle.h"
#include "support/PeerRuns.h"
#include "support/Range.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

namespace {

struct Fixture {
    QTemporaryDir dir;
    QString bundle;
    QString tiny = dir.filePath(QStringLiteral("Tiny.app"));

    Fixture() {
        bundle = buildLargeBundle(dir.filePath(QStringLiteral("Large.app")));
        QDir().mkpath(tiny);
        QFile file(tiny + QStringLiteral("/a"));
        if (!file.open(QIODevice::WriteOnly) || file.write("a") != 1)
            qFatal("cannot write the tiny folder");
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

PeerCommand copy(const QString& program, const QStringList& options, const QString& source) {
    return [=](const QString& out) {
        return std::pair(program, options + QStringList{source, out + QStringLiteral("/Large.app")});
    };
}

void dittoVersusCp(benchmark::State& state) {
    Fixture& f = fixture();
    const QString ditto = QStringLiteral(QUENLARK_TOOLS_DIR "/ditto");
    const QString cp = QStringLiteral("cp");
    const QStringList archive{QStringLiteral("-a")};
    versusPeer(state, f.dir.path(), copy(ditto, {}, f.bundle), copy(cp, archive, f.bundle), copy(ditto, {}, f.tiny),
               copy(cp, archive, f.tiny));
}

BENCHMARK(dittoVersusCp)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(9)
    ->Apply(withRange);

} // namespace
