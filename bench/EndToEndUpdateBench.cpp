// One whole update of a signed application of about 200 MiB in 1,200 files, as the engine runs
// it: the zipped release streamed from a loopback server, its size, SHA-256 and EdDSA signature
// checked, unpacked through the ditto stand-in, its code signature checked against the installed
// copy's requirement, swapped in and the old copy moved aside. Each repetition records its peak
// anonymous memory above the idle process. Beside it, the same steps by the usual tools in one
// shell line: curl, sha256sum, bsdtar and cp -a.
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
            next.resource(QStringLiteral("Part%1/file%2.dat").arg(i % 30).arg(i), pseudoRandom(160 * 1024 + i, quint32(i)));
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

struct Prepared {
    InstalledApp app;
    Updater updater;
};

void engine(benchmark::State& state) {
    Fixture& f = fixture();
    const auto prepare = [&f] {
        reset(f);
        const QString installed = f.applications + QStringLiteral("/Large.app");
        InstalledApp app = *Scanner::read(installed, f.applications);
        app.edKey = f.key.publicBase64();
        return Prepared{app, Updater(f.applications, f.trash)};
    };
    engineRuns(state, prepare, [&f](const Prepared& p) { return update(p.updater, p.app, f.release); });
    state.SetBytesProcessed(state.iterations() * QFileInfo(f.zip).size());
}

void tools(benchmark::State& state) {
    Fixture& f = fixture();
    const QString line = QStringLiteral(
        "set -e; cd \"$1\"; curl -s -o Large.zip \"$2\"; sha256sum Large.zip > /dev/null; mkdir x; "
        "bsdtar -xf Large.zip -C x; cp -a x/Large.app \"$3/.staging.app\"; "
        "mv \"$3/Large.app\" \"$4/\"; mv \"$3/.staging.app\" \"$3/Large.app\"; rm -rf x Large.zip");
    for (auto _ : state) {
        state.PauseTiming();
        reset(f);
        QTemporaryDir work(f.root + QStringLiteral("/work-XXXXXX"));
        state.ResumeTiming();
        QProcess shell;
        shell.start(QStringLiteral("sh"), {QStringLiteral("-c"), line, QStringLiteral("sh"), work.path(),
                                           f.server->url(), f.applications, f.trash});
        if (!shell.waitForFinished(-1) || shell.exitStatus() != QProcess::NormalExit || shell.exitCode() != 0) {
            state.SkipWithError("the shell line failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(f.zip).size());
}

BENCHMARK(tools)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(7)->Apply(withRange);
BENCHMARK(engine)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(7)->Apply(withRange);

} // namespace
