// A full refresh of the store over 2,000 sandbox bundles whose appcasts a loopback server answers
// after 20 ms each: the total time against the bound scan time + 2,000 / 8 x 20 ms, and the GUI
// thread's longest stall, measured as the lateness of a 1 ms timer. The first fill, which
// publishes the rows in batches of 8 with 35 ms pauses, is reported on its own.
#include "app/LiveCollaborators.h"
#include "model/Prefs.h"
#include "model/Scanner.h"
#include "platform/system/Defaults.h"
#include "store/Store.h"

#include "support/AwaitTask.h"
#include "support/DelayedServer.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int appCount = 2000;
constexpr int limit = 8;
constexpr int delayMs = 20;
constexpr int hostCount = 8;

const QByteArray appcast = R"(<?xml version="1.0"?><rss xmlns:sparkle="s"><channel><item>
<enclosure url="App.zip" sparkle:version="12" sparkle:shortVersionString="1.2" length="10"/>
</item></channel></rss>)";

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

void makeBundle(const QString& folder, int index, const QString& feed) {
    const QString contents = folder + QStringLiteral("/App %1.app/Contents").arg(index);
    QDir().mkpath(contents + QStringLiteral("/MacOS"));
    write(contents + QStringLiteral("/Info.plist"),
          QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                         "<key>CFBundleExecutable</key><string>App</string>"
                         "<key>CFBundleIdentifier</key><string>com.example.app%1</string>"
                         "<key>CFBundleName</key><string>App %1</string>"
                         "<key>CFBundleShortVersionString</key><string>1.0</string>"
                         "<key>CFBundleVersion</key><string>10</string>"
                         "<key>SUFeedURL</key><string>%2</string></dict></plist>\n")
              .arg(index)
              .arg(feed)
              .toUtf8());
    QByteArray executable(4096, '\0');
    const char header[] = {'\xCF', '\xFA', '\xED', '\xFE', '\x0C', 0, 0, 1, 0, 0, 0, 0, 2, 0, 0, 0};
    std::copy(std::begin(header), std::end(header), executable.begin());
    write(contents + QStringLiteral("/MacOS/App"), executable);
}

// The longest gap between two ticks of a 1 ms timer on the GUI thread, beyond its interval.
class StallMeter {
public:
    StallMeter() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
    }
    void start() {
        longest_ = 0;
        clock_.start();
        last_ = 0;
        timer_.start();
    }
    double stop() {
        timer_.stop();
        return static_cast<double>(longest_) / 1e6 - 1.0;
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

void StoreRefresh2000(benchmark::State& state) {
    QTemporaryDir root;
    // Nothing of the user's own settings is read or written.
    qputenv("HOME", root.filePath(QStringLiteral("home")).toUtf8());
    qputenv("XDG_CONFIG_HOME", root.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_CACHE_HOME", root.filePath(QStringLiteral("cache")).toUtf8());

    std::vector<std::unique_ptr<DelayedServer>> servers;
    for (int i = 1; i <= hostCount; ++i)
        servers.push_back(
            std::make_unique<DelayedServer>(QHostAddress(QStringLiteral("127.0.0.%1").arg(i)), delayMs, appcast));
    const QString applications = root.filePath(QStringLiteral("sandbox/Applications"));
    for (int i = 0; i < appCount; ++i) {
        const int host = i % hostCount;
        makeBundle(applications, i,
                   QStringLiteral("http://127.0.0.%1:%2/appcast%3.xml")
                       .arg(host + 1)
                       .arg(servers[static_cast<size_t>(host)]->port())
                       .arg(i));
    }

    QElapsedTimer scanTimer;
    scanTimer.start();
    const auto scanned = Scanner::scan({applications});
    const double scanMs = static_cast<double>(scanTimer.nsecsElapsed()) / 1e6;
    if (scanned.size() != appCount)
        state.SkipWithError("the scan missed bundles");

    Prefs prefs(std::make_shared<Defaults>(root.filePath(QStringLiteral("prefs.plist"))), true);
    Store::Collaborators c = LiveCollaborators::make();
    c.prefs = &prefs;
    c.options.sandbox = applications;
    c.options.mock = QUrl(QStringLiteral("http://127.0.0.1:9/")); // the catalogue is never needed
    Store store(std::move(c));

    StallMeter meter;
    QElapsedTimer timer;
    timer.start();
    meter.start();
    awaitTask(store.refresh());
    const double firstFillMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const double firstFillStall = meter.stop();

    double totalMs = 0;
    double stallMs = 0;
    for (auto _ : state) {
        meter.start();
        timer.restart();
        awaitTask(store.refresh());
        totalMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        stallMs = std::max(stallMs, meter.stop());
        int updates = 0;
        for (const auto& row : store.items())
            updates += row->status().kind() == Status::Kind::update ? 1 : 0;
        if (updates != appCount)
            state.SkipWithError("not every row found its update");
        state.SetIterationTime(totalMs / 1000.0);
    }
    const double boundMs = scanMs + appCount / static_cast<double>(limit) * delayMs;
    state.counters["scanMs"] = scanMs;
    state.counters["boundMs"] = boundMs;
    state.counters["totalMs"] = totalMs;
    state.counters["ratioToBound"] = totalMs / boundMs;
    state.counters["longestStallMs"] = std::max(stallMs, firstFillStall);
    state.counters["firstFillMs"] = firstFillMs;
    state.counters["firstFillPausesMs"] = appCount / 8.0 * 35;
}

BENCHMARK(StoreRefresh2000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
