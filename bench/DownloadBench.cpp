// Streaming a 512 MiB update from a loopback server to disk, against curl fetching the same
// file, with every core kept busy by other processes: the read buffer's bound must hold when the
// GUI thread falls behind. Each repetition runs both, alternating which goes first, each as a
// fresh process (ours is this program started for one download), so that each peak of resident
// memory is that one download's; both are also given above fetching a one-byte file.
#include "install/Updater.h"

#include "support/AwaitTask.h"
#include "support/BusyCores.h"
#include "support/ChildTask.h"
#include "support/FileServer.h"
#include "support/LargeFile.h"
#include "support/PeerRuns.h"
#include "support/Range.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

namespace {

constexpr qint64 fileSize = 512LL * 1024 * 1024;

// In the fresh process: the URL, the size it must have, the folder to fetch into.
int downloadOnce(const QStringList& arguments) {
    if (arguments.size() != 3)
        return 2;
    const qint64 size = arguments[1].toLongLong();
    const auto done = awaitTask(Updater::download(QUrl(arguments[0]), size, arguments[2], {}));
    return QFileInfo(done.file).size() == size ? 0 : 1;
}

const bool registered = registerChild("download", &downloadOnce);

struct Fixture {
    QTemporaryDir dir;
    QString file = dir.filePath("source.bin");
    QString tiny = dir.filePath("tiny.bin");
    std::unique_ptr<FileServer> server;
    std::unique_ptr<FileServer> tinyServer;
    std::unique_ptr<BusyCores> load;

    Fixture() {
        writeLargeFile(file, fileSize);
        QFile one(tiny);
        if (!one.open(QIODevice::WriteOnly) || one.write("x", 1) != 1)
            qFatal("cannot write the one-byte file");
        one.close();
        server = std::make_unique<FileServer>(file);
        tinyServer = std::make_unique<FileServer>(tiny);
        load = std::make_unique<BusyCores>();
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

PeerCommand ours(const FileServer& server, qint64 size) {
    return [&server, size](const QString& out) {
        return childCommand("download", {server.url(), QString::number(size), out});
    };
}

PeerCommand curl(const FileServer& server) {
    return [&server](const QString& out) {
        return std::pair(QStringLiteral("curl"),
                         QStringList{QStringLiteral("-s"), QStringLiteral("-f"), QStringLiteral("-o"),
                                     out + QStringLiteral("/download"), server.url()});
    };
}

void downloadVersusCurl(benchmark::State& state) {
    Fixture& f = fixture();
    (void)registered;
    versusPeer(state, f.dir.path(), ours(*f.server, fileSize), curl(*f.server), ours(*f.tinyServer, 1),
               curl(*f.tinyServer));
    state.SetBytesProcessed(state.iterations() * fileSize);
}

} // namespace

BENCHMARK(downloadVersusCurl)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(15)
    ->Apply(withRange);
