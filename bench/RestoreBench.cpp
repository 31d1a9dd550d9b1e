// Restoring twenty applications of the demo's kind onto an empty folder, as the restore runs
// them one after another: each zipped release streamed from a loopback server, its size and
// SHA-256 checked, unpacked through the ditto stand-in, its signature held to the Team ID the
// library recorded, and placed under its staging name with an exclusive rename. The engine runs
// in a fresh process each time (this program started for one restore), so that its peak of
// memory is that restore's, given above the same process restoring nothing. Beside it, in the
// same repetition, the same work by the usual tools in one shell line per app: curl, openssl
// dgst, bsdtar and mv.
#include "BundleBuilder.h"
#include "TestPki.h"
#include "ZipBuilder.h"

#include "install/Updater.h"
#include "platform/codesign/Anchors.h"
#include "runtime/Error.h"

#include "support/AwaitTask.h"
#include "support/ChildRun.h"
#include "support/ChildTask.h"
#include "support/FileServer.h"
#include "support/LargeFile.h"
#include "support/Range.h"

#include <benchmark/benchmark.h>

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
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
    QString anchors = root + QStringLiteral("/anchors");
    std::vector<App> apps;

    Fixture() {
        TestPki::shared().writeAnchors(anchors);
        for (int i = 0; i < kApps; ++i) {
            App app;
            const QString name = QStringLiteral("Sample%1").arg(i);
            app.record = {QStringLiteral("com.example.sample%1").arg(i), name, QStringLiteral("AAAAAAAAAA"),
                          std::nullopt};
            const QString bundle = root + QStringLiteral("/built/") + name + QStringLiteral(".app");
            BundleBuilder builder(bundle);
            builder.identifier(app.record.id).executableName(name).signedBy(&TestPki::shared().teamA);
            // About 3 MiB in 40 files, the size of a small utility.
            for (int f = 0; f < 40; ++f)
                builder.resource(QStringLiteral("Resources/part%1.dat").arg(f),
                                 pseudoRandom(80 * 1024, quint32(i * 100 + f)));
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

QCoro::Task<bool> decline(PackageConsent) { co_return false; }

struct Wanted {
    Updater::Recorded record;
    Release release;
};

QCoro::Task<std::optional<QString>> restoreAll(const Updater& updater, const std::vector<Wanted>& apps) {
    for (const Wanted& app : apps) {
        try {
            auto installing = updater.installFirst(app.record, {app.release}, &decline, {});
            co_await std::move(installing);
        } catch (const Error& error) {
            co_return error.description();
        }
    }
    co_return std::nullopt;
}

// In the fresh process: the Applications folder, the anchors' folder, then for each app its
// identifier, name, URL, size and SHA-256.
int restoreOnce(const QStringList& arguments) {
    if (arguments.size() < 2 || (arguments.size() - 2) % 5 != 0)
        return 2;
    Anchors::setConfigured(std::make_shared<Anchors>(Anchors::fromDirectory(arguments[1])));
    std::vector<Wanted> apps;
    for (qsizetype i = 2; i < arguments.size(); i += 5) {
        Wanted app;
        app.record = {arguments[i], arguments[i + 1], QStringLiteral("AAAAAAAAAA"), std::nullopt};
        Download download;
        download.url = QUrl(arguments[i + 2]);
        download.size = arguments[i + 3].toLongLong();
        download.sha256 = arguments[i + 4];
        app.release.kind = SourceKind::homebrew;
        app.release.download = download;
        apps.push_back(app);
    }
    const Updater updater(arguments[0], std::nullopt);
    if (const auto refusal = awaitTask(restoreAll(updater, apps))) {
        std::fprintf(stderr, "%s\n", qPrintable(*refusal));
        return 1;
    }
    return 0;
}

const bool registered = registerChild("restore", &restoreOnce);

// The restore of every app of the fixture, or of none, in a fresh process.
ChildRun engineOnce(Fixture& f, bool all) {
    empty(f);
    (void)registered;
    QStringList arguments{f.applications, f.anchors};
    for (const App& app : f.apps) {
        if (!all)
            break;
        const Download& download = *app.release.download;
        arguments << app.record.id << app.record.name << download.url.toString() << QString::number(*download.size)
                  << download.sha256.value_or(QString());
    }
    const auto [program, command] = childCommand("restore", arguments);
    return ChildRun::of(program, command);
}

// Per app: fetch, hash, unpack, and move into place only where nothing is.
std::optional<double> toolsOnce(Fixture& f) {
    const QString line = QStringLiteral(
        "set -e; cd \"$1\"; apps=\"$2\"; shift 2; while [ $# -gt 0 ]; do "
        "curl -s -o a.zip \"$1\"; openssl dgst -sha256 a.zip > /dev/null; mkdir x; bsdtar -xf a.zip -C x; "
        "mv -n x/\"$2\".app \"$apps/\"; rm -rf x a.zip; shift 2; done");
    empty(f);
    QTemporaryDir work(f.root + QStringLiteral("/work-XXXXXX"));
    QStringList arguments{QStringLiteral("-c"), line, QStringLiteral("sh"), work.path(), f.applications};
    for (const App& app : f.apps)
        arguments << app.server->url() << app.record.name;
    QElapsedTimer timer;
    timer.start();
    QProcess shell;
    shell.start(QStringLiteral("sh"), arguments);
    if (!shell.waitForFinished(-1) || shell.exitStatus() != QProcess::NormalExit || shell.exitCode() != 0)
        return std::nullopt;
    return double(timer.nsecsElapsed()) / 1e6;
}

// One repetition restores the twenty apps once with our engine and once with the shell line,
// which of them goes first alternating between repetitions, so that a busier spell of the
// machine falls on both. The time is ours; the counters hold both and their ratio.
void restore(benchmark::State& state) {
    Fixture& f = fixture();
    static int repetition = 0;
    const bool toolsFirst = repetition++ % 2 == 1;
    double ours = 0, tools = 0, peak = 0, peakAnon = 0;
    for (auto _ : state) {
        for (const bool viaTools : {toolsFirst, !toolsFirst}) {
            if (viaTools) {
                const std::optional<double> ms = toolsOnce(f);
                if (!ms) {
                    state.SkipWithError("the shell line failed");
                    return;
                }
                tools += *ms;
                continue;
            }
            const ChildRun run = engineOnce(f, true);
            const ChildRun idle = engineOnce(f, false);
            if (!run.ok || !idle.ok) {
                state.SkipWithError("the restore failed");
                return;
            }
            ours += run.seconds * 1000;
            peak = std::max(peak, double(run.residentPeakKiB - idle.residentPeakKiB) / 1024);
            peakAnon = std::max(peakAnon, double(run.peakAnonKiB - idle.peakAnonKiB) / 1024);
        }
        state.SetIterationTime(ours / 1000);
    }
    state.counters["tools_ms"] = tools;
    state.counters["ours_ms"] = ours;
    state.counters["ours_per_tools"] = tools > 0 ? ours / tools : 0;
    state.counters["peak_rss_MiB_above_idle"] = peak;
    state.counters["peak_anon_MiB_above_idle"] = peakAnon;
    state.SetBytesProcessed(state.iterations() * f.bytes());
}

BENCHMARK(restore)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(7)->Apply(withRange);

} // namespace
