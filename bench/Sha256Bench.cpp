// SHA-256 of a 1 GiB download, against sha256sum reading the same file.
#include "install/Updater.h"

#include "support/LargeFile.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr qint64 fileSize = 1024LL * 1024 * 1024;

struct Fixture {
    QTemporaryDir dir;
    QString file = dir.filePath("download.bin");

    Fixture() {
        writeLargeFile(file, fileSize);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void sha256sum(benchmark::State& state) {
    const QByteArray path = QFile::encodeName(fixture().file);
    for (auto _ : state) {
        char* argv[] = {const_cast<char*>("sha256sum"), const_cast<char*>(path.constData()), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        if (::posix_spawnp(&pid, "sha256sum", &actions, nullptr, argv, environ) != 0) {
            state.SkipWithError("sha256sum is missing");
            break;
        }
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    state.SetBytesProcessed(state.iterations() * fileSize);
}

void sha256(benchmark::State& state) {
    const QString path = fixture().file;
    for (auto _ : state)
        benchmark::DoNotOptimize(Updater::sha256(path));
    state.SetBytesProcessed(state.iterations() * fileSize);
}

} // namespace

BENCHMARK(sha256sum)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(sha256)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

