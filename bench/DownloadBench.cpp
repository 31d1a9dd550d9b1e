// Streaming a 512 MiB update from a loopback server to disk, against curl fetching the same
// file, with every core kept busy by other processes: the read buffer's bound must hold when the
// GUI thread falls behind. Each repetition is one download and records its peak anonymous memory
// above the idle process.
#include "install/Updater.h"

#include "support/AnonymousPeak.h"
#include "support/AwaitTask.h"
#include "support/BusyCores.h"
#include "support/LargeFile.h"

#include "support/Range.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <clocale>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <string>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr qint64 fileSize = 512LL * 1024 * 1024;

// Serves one file to every connection with sendfile, so the server is never the bottleneck.
class FileServer {
public:
    explicit FileServer(QString path) : path_(std::move(path)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 8);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~FileServer() {
        stopping_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        thread_.join();
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/Update.zip").arg(port_); }

private:
    void serve() {
        while (!stopping_) {
            const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                return;
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = ::read(client, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                request.append(buffer, size_t(n));
            }
            const int fd = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_CLOEXEC);
            struct stat st;
            ::fstat(fd, &st);
            const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nContent-Length: " +
                                     std::to_string(st.st_size) + "\r\nConnection: close\r\n\r\n";
            ssize_t ignored = ::write(client, head.data(), head.size());
            (void)ignored;
            off_t offset = 0;
            while (offset < st.st_size) {
                if (::sendfile(client, fd, &offset, size_t(st.st_size - offset)) <= 0)
                    break;
            }
            ::close(fd);
            ::shutdown(client, SHUT_WR);
            ::close(client);
        }
    }

    QString path_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

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
