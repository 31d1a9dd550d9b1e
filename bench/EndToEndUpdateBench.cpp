// One whole update of a signed application of about 200 MiB in 1,200 files, as the engine runs
// it: the zipped release streamed from a loopback server, its size, SHA-256 and EdDSA signature
// checked, unpacked through the ditto stand-in, its code signature checked against the installed
// copy's requirement, swapped in and the old copy moved aside. Each repetition records its peak
// anonymous memory above the idle process. Beside it, the same steps by the usual tools in one
// shell line: curl, openssl dgst, bsdtar and cp -a, the two alternating within each repetition.
#include "BundleBuilder.h"
#include "EdKey.h"
#include "MachOBuilder.h"
#include "TestPki.h"
#include "ZipBuilder.h"

#include "install/Updater.h"
#include "model/Scanner.h"
#include "platform/codesign/Anchors.h"
#include "platform/system/SystemInfo.h"
#include "runtime/Error.h"

#include "support/AnonymousPeak.h"
#include "support/AwaitTask.h"
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
#include <chrono>
#include <string>

#include <algorithm>
#include <memory>
#include <string>

namespace {

const QString kIdentifier = QStringLiteral("com.example.large");

BundleBuilder large(const QString& path, const QString& version) {
    BundleBuilder builder(path);
    builder.identifier(kIdentifier)
        .executableName(QStringLiteral("Large"))
        .info(QStringLiteral("CFBundleShortVersionString"), version)
        .signedBy(&TestPki::shared().teamA);
    return builder;
}

struct Fixture {
    QTemporaryDir dir;
    QString root = QDir(dir.path()).canonicalPath();
    QString applications = root + QStringLiteral("/Applications");
    QString trash = root + QStringLiteral("/Trash");
    QString pristine = root + QStringLiteral("/old/Large.app");
    QString zip = root + QStringLiteral("/Large-2.0.zip");
    EdKey key;
    Release release;
    std::unique_ptr<FileServer> server;

    Fixture() {
        Anchors::setConfigured(TestPki::shared().anchors());
        SystemInfo::overrideArm(true);
        large(pristine, QStringLiteral("1.0")).build();
        BundleBuilder next = large(root + QStringLiteral("/next/Large.app"), QStringLiteral("2.0"));
        next.architectures({MachOBuilder::x86_64, MachOBuilder::arm64});
        for (int i = 0; i < 1200; ++i)
            next.resource(QStringLiteral("Part%1/file%2.dat").arg(i % 30).arg(i),
                          pseudoRandom(160 * 1024 + i, quint32(i)));
        next.build();
        if (!ZipBuilder::tree(root + QStringLiteral("/next/Large.app"), zip))
            qFatal("cannot zip the release");
        QDir(root + QStringLiteral("/next")).removeRecursively();
        QFile file(zip);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        server = std::make_unique<FileServer>(zip);
        Download download;
        download.url = QUrl(server->url());
        download.size = bytes.size();
        download.sha256 = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
        download.edSignature = key.sign(bytes);
        release.kind = SourceKind::sparkle;
        release.version = QStringLiteral("2.0");
        release.download = download;
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// The installed copy back at 1.0 and nothing moved aside yet.
void reset(Fixture& f) {
    QDir(f.applications).removeRecursively();
    QDir(f.trash).removeRecursively();
    QDir().mkpath(f.applications);
    QDir().mkpath(f.trash);
    QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), f.pristine, f.applications});
}

QCoro::Task<std::optional<QString>> update(const Updater& updater, InstalledApp app, Release release) {
    try {
        co_await updater.install(std::move(app), std::move(release), [](const InstallPhase&) {});
    } catch (const Error& error) {
        co_return error.description();
    }
    co_return std::nullopt;
}

// The engine's update, its peak anonymous memory above the start; the refusal when there is one.
std::optional<QString> engineOnce(Fixture& f, double& seconds, double& peakMiB) {
    reset(f);
    const QString installed = f.applications + QStringLiteral("/Large.app");
    InstalledApp app = *Scanner::read(installed, f.applications);
    app.edKey = f.key.publicBase64();
    const Updater updater(f.applications, f.trash);
    AnonymousPeak watch;
    const auto start = std::chrono::steady_clock::now();
    const auto refusal = awaitTask(update(updater, app, f.release));
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    peakMiB = std::max(peakMiB, watch.aboveStartMiB());
    return refusal;
}

bool toolsOnce(Fixture& f, double& seconds) {
    const QString line = QStringLiteral(
        "set -e; cd \"$1\"; curl -s -o Large.zip \"$2\"; openssl dgst -sha256 Large.zip > /dev/null; mkdir x; "
        "bsdtar -xf Large.zip -C x; cp -a x/Large.app \"$3/.staging.app\"; "
        "mv \"$3/Large.app\" \"$4/\"; mv \"$3/.staging.app\" \"$3/Large.app\"; rm -rf x Large.zip");
    reset(f);
    QTemporaryDir work(f.root + QStringLiteral("/work-XXXXXX"));
    const auto start = std::chrono::steady_clock::now();
    QProcess shell;
    shell.start(QStringLiteral("sh"), {QStringLiteral("-c"), line, QStringLiteral("sh"), work.path(), f.server->url(),
                                       f.applications, f.trash});
    const bool ok = shell.waitForFinished(-1) && shell.exitStatus() == QProcess::NormalExit && shell.exitCode() == 0;
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return ok;
}

// Each repetition runs the engine and the shell line, which goes first alternating, so that a
// busier spell of the machine falls on both. The time is ours; counters give both and the ratio.
void engineVersusTools(benchmark::State& state) {
    Fixture& f = fixture();
    static int repetition = 0;
    double ours = 0, tools = 0, peak = 0;
    for (auto _ : state) {
        for (const bool viaTools : {repetition % 2 == 1, repetition % 2 == 0}) {
            double seconds = 0;
            if (viaTools) {
                if (!toolsOnce(f, seconds)) {
                    state.SkipWithError("the shell line failed");
                    return;
                }
                tools += seconds;
            } else if (const auto refusal = engineOnce(f, seconds, peak)) {
                static std::string message;
                message = refusal->toStdString();
                state.SkipWithError(message.c_str());
                return;
            } else {
                ours += seconds;
                state.SetIterationTime(seconds);
            }
        }
        ++repetition;
    }
    state.counters["ours_ms"] = ours * 1000;
    state.counters["tools_ms"] = tools * 1000;
    state.counters["ratio"] = tools > 0 ? ours / tools : 0;
    state.counters["peak_anon_MiB_above_idle"] = peak;
    state.SetBytesProcessed(state.iterations() * QFileInfo(f.zip).size());
}

BENCHMARK(engineVersusTools)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(7)
    ->Apply(withRange);

} // namespace
