// Restoring twenty applications of the demo's kind onto an empty folder, as the restore runs
// them one after another: each zipped release streamed from a loopback server, its size and
// SHA-256 checked, unpacked through the ditto stand-in, its signature held to the Team ID the
// library recorded, and placed under its staging name with an exclusive rename. Each repetition
// records its peak memory above the idle process. Beside it, in the same repetition, the same
// work by the usual tools in one shell line per app: curl, sha256sum, bsdtar and mv.
#include "BundleBuilder.h"
#include "TestPki.h"
#include "ZipBuilder.h"

#include "install/Updater.h"
#include "platform/codesign/Anchors.h"
#include "runtime/Error.h"

#include "support/AnonymousPeak.h"
#include "support/AwaitTask.h"
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
#include <cstdlib>
#include <cstring>
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

// The peak resident size of this process (VmHWM) starts over at the current size; what the
// kernel counts, threads and all, rather than what a sampler happens to see.
void resetPeak() {
    std::FILE* refs = std::fopen("/proc/self/clear_refs", "w");
    if (refs) {
        std::fputs("5", refs);
        std::fclose(refs);
    }
}

long statusKiB(const char* field) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    long kib = 0;
    const std::size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, field, length) == 0) {
            kib = std::atol(line + length);
            break;
        }
    }
    std::fclose(status);
    return kib;
}

// Per app: fetch, hash, unpack, and move into place only where nothing is.
std::optional<double> toolsOnce(Fixture& f) {
    const QString line = QStringLiteral(
        "set -e; cd \"$1\"; apps=\"$2\"; shift 2; while [ $# -gt 0 ]; do "
        "curl -s -o a.zip \"$1\"; sha256sum a.zip > /dev/null; mkdir x; bsdtar -xf a.zip -C x; "
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

struct EngineRun {
    double ms = 0;
    double peakMiB = 0;     // VmHWM above the resident size at the start
    double peakAnonMiB = 0; // RssAnon sampled every millisecond, above the start
    std::optional<QString> refusal;
};

EngineRun engineOnce(Fixture& f) {
    empty(f);
    const Updater updater(f.applications, std::nullopt);
    EngineRun run;
    resetPeak();
    const long idle = statusKiB("VmRSS:");
    AnonymousPeak anon;
    QElapsedTimer timer;
    timer.start();
    run.refusal = awaitTask(restoreAll(updater, f));
    run.ms = double(timer.nsecsElapsed()) / 1e6;
    run.peakAnonMiB = anon.aboveStartMiB();
    run.peakMiB = double(statusKiB("VmHWM:") - idle) / 1024;
    return run;
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
            const EngineRun run = engineOnce(f);
            if (run.refusal) {
                static std::string message;
                message = run.refusal->toStdString();
                state.SkipWithError(message.c_str());
                return;
            }
            ours += run.ms;
            peak = std::max(peak, run.peakMiB);
            peakAnon = std::max(peakAnon, run.peakAnonMiB);
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
