// Streaming a 512 MiB update from a loopback server to disk, against curl fetching the same
// file, with every core kept busy by other processes: the read buffer's bound must hold when the
// GUI thread falls behind. Each repetition is one download and records its peak anonymous memory
// above the idle process.
#include "install/Updater.h"

#include "support/AnonymousPeak.h"
#include "support/AwaitTask.h"
#include "support/BusyCores.h"
#include "support/FileServer.h"
#include "support/LargeFile.h"

#include "support/Range.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <clocale>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr qint64 fileSize = 512LL * 1024 * 1024;

struct Fixture {
    QTemporaryDir dir;
    QString file = dir.filePath("source.bin");
    std::unique_ptr<FileServer> server;
    std::unique_ptr<BusyCores> load;

    Fixture() {
        writeLargeFile(file, fileSize);
        server = std::make_unique<FileServer>(file);
        load = std::make_unique<BusyCores>();
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void download(benchmark::State& state) {
    Fixture& f = fixture();
    const QUrl url(f.server->url());
    double peak = 0;
    for (auto _ : state) {
        QTemporaryDir work(f.dir.filePath("work-XXXXXX"));
        AnonymousPeak watch;
        const auto done = awaitTask(Updater::download(url, fileSize, work.path(), {}));
        peak = std::max(peak, watch.aboveStartMiB());
        if (QFileInfo(done.file).size() != fileSize)
            state.SkipWithError("short download");
    }
    state.counters["peak_anon_MiB_above_idle"] = peak;
    state.SetBytesProcessed(state.iterations() * fileSize);
}

void curl(benchmark::State& state) {
    Fixture& f = fixture();
    const QByteArray url = f.server->url().toUtf8();
    const QByteArray out = QFile::encodeName(f.dir.filePath("curl.out"));
    for (auto _ : state) {
        char* argv[] = {const_cast<char*>("curl"), const_cast<char*>("-s"), const_cast<char*>("-o"),
                        const_cast<char*>(out.constData()), const_cast<char*>(url.constData()), nullptr};
        pid_t pid = 0;
        if (::posix_spawnp(&pid, "curl", nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("curl is missing");
            break;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::unlink(out.constData());
    }
    state.SetBytesProcessed(state.iterations() * fileSize);
}

} // namespace

BENCHMARK(curl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(15)->Apply(withRange);
BENCHMARK(download)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(15)->Apply(withRange);
