// Restoring twenty applications of the demo's kind onto an empty folder, as the restore runs
// them one after another: each zipped release streamed from a loopback server, its size and
// SHA-256 checked, unpacked through the ditto stand-in, its signature held to the Team ID the
// library recorded, and placed under its staging name with an exclusive rename. Each repetition
// records its peak anonymous memory above the idle process. Beside it, the same work by the usual
// tools in one shell line per app: curl, sha256sum, bsdtar and mv.
#include "BundleBuilder.h"
#include "TestPki.h"
#include "ZipBuilder.h"

#include "install/Updater.h"
#include "platform/codesign/Anchors.h"
#include "runtime/Error.h"

#include "support/EngineRuns.h"
#include "support/FileServer.h"
#include "support/LargeFile.h"
#include "support/Range.h"

#include <benchmark/benchmark.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kApps = 20;

struct App {
    Updater::Recorded record;
    Release release;
    QString zip;
    std::unique_ptr<FileServer> server;
};

struct Fixture {
    QTemporaryDir dir;
    QString root = QDir(dir.path()).canonicalPath();
    QString applications = root + QStringLiteral("/Applications");
    std::vector<App> apps;

    Fixture() {
        Anchors::setConfigured(TestPki::shared().anchors());
        for (int i = 0; i < kApps; ++i) {
            App app;
            const QString name = QStringLiteral("Sample%1").arg(i);
            app.record = {QStringLiteral("com.example.sample%1").arg(i), name, QStringLiteral("AAAAAAAAAA"), std::nullopt};
            const QString bundle = root + QStringLiteral("/built/") + name + QStringLiteral(".app");
            BundleBuilder builder(bundle);
            builder.identifier(app.record.id).executableName(name).signedBy(&TestPki::shared().teamA);
            // About 3 MiB in 40 files, the size of a small utility.
            for (int f = 0; f < 40; ++f)
                builder.resource(QStringLiteral("Resources/part%1.dat").arg(f), pseudoRandom(80 * 1024, quint32(i * 100 + f)));
            builder.build();
            app.zip = root + QStringLiteral("/") + name + QStringLiteral(".zip");
            if (!ZipBuilder::tree(bundle, app.zip))
                qFatal("cannot zip a sample");
            QFile file(app.zip);
            file.open(QIODevice::ReadOnly);
            const QByteArray bytes = file.readAll();
            app.server = std::make_unique<FileServer>(app.zip);
            Download download;
            download.url = QUrl(app.server->url());
            download.size = bytes.size();
            download.sha256 = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
            app.release.kind = SourceKind::homebrew;
            app.release.download = download;
            apps.push_back(std::move(app));
        }
        QDir(root + QStringLiteral("/built")).removeRecursively();
    }

    qint64 bytes() const {
        qint64 total = 0;
        for (const App& app : apps)
            total += QFileInfo(app.zip).size();
        return total;
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void empty(Fixture& f) {
    QDir(f.applications).removeRecursively();
    QDir().mkpath(f.applications);
}

QCoro::Task<bool> decline(PackageConsent) {
    co_return false;
}

QCoro::Task<std::optional<QString>> restoreAll(const Updater& updater, const Fixture& f) {
    for (const App& app : f.apps) {
        try {
            auto installing = updater.installFirst(app.record, {app.release}, &decline, {});
            co_await std::move(installing);
        } catch (const Error& error) {
            co_return error.description();
        }
    }
    co_return std::nullopt;
}

void engine(benchmark::State& state) {
    Fixture& f = fixture();
    const auto prepare = [&f] {
        empty(f);
        return Updater(f.applications, std::nullopt);
    };
    engineRuns(state, prepare, [&f](const Updater& updater) { return restoreAll(updater, f); });
    state.SetBytesProcessed(state.iterations() * f.bytes());
}

void tools(benchmark::State& state) {
    Fixture& f = fixture();
    // Per app: fetch, hash, unpack, and move into place only where nothing is.
    const QString line = QStringLiteral(
        "set -e; cd \"$1\"; apps=\"$2\"; shift 2; while [ $# -gt 0 ]; do "
        "curl -s -o a.zip \"$1\"; sha256sum a.zip > /dev/null; mkdir x; bsdtar -xf a.zip -C x; "
        "mv -n x/\"$2\".app \"$apps/\"; rm -rf x a.zip; shift 2; done");
    for (auto _ : state) {
        state.PauseTiming();
        empty(f);
        QTemporaryDir work(f.root + QStringLiteral("/work-XXXXXX"));
        QStringList arguments{QStringLiteral("-c"), line, QStringLiteral("sh"), work.path(), f.applications};
        for (const App& app : f.apps)
            arguments << app.server->url() << app.record.name;
        state.ResumeTiming();
        QProcess shell;
        shell.start(QStringLiteral("sh"), arguments);
        if (!shell.waitForFinished(-1) || shell.exitStatus() != QProcess::NormalExit || shell.exitCode() != 0) {
            state.SkipWithError("the shell line failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * f.bytes());
}

BENCHMARK(tools)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(7)->Apply(withRange);
BENCHMARK(engine)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(7)->Apply(withRange);

} // namespace
