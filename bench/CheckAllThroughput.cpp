// checkAll over 300 applications whose appcasts a loopback server answers after 50 ms each,
// with the store's limit of 8: reports the wall time against the ideal bound
// (requests x 50 ms / 8). The server listens on eight loopback addresses, since an HTTP client
// opens at most six connections to one host and real feeds live on many hosts.
#include "sources/BrewIndex.h"
#include "sources/Checker.h"

#include "support/AwaitTask.h"
#include "support/DelayedServer.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <vector>

namespace {

constexpr int appCount = 300;
constexpr int limit = 8;
constexpr int delayMs = 50;
constexpr int hostCount = 8;

const QByteArray appcast = R"(<?xml version="1.0"?><rss xmlns:sparkle="s"><channel><item>
<enclosure url="App.zip" sparkle:version="12" sparkle:shortVersionString="1.2" length="10"/>
</item></channel></rss>)";

void CheckAll300(benchmark::State& state) {
    std::vector<std::unique_ptr<DelayedServer>> servers;
    for (int i = 1; i <= hostCount; ++i)
        servers.push_back(
            std::make_unique<DelayedServer>(QHostAddress(QStringLiteral("127.0.0.%1").arg(i)), delayMs, appcast));
    QList<InstalledApp> apps;
    for (int i = 0; i < appCount; ++i) {
        const int host = i % hostCount;
        InstalledApp app;
        app.url = QStringLiteral("/Applications/App%1.app").arg(i);
        app.bundleID = QStringLiteral("com.example.app%1").arg(i);
        app.feedURL = QUrl(QStringLiteral("http://127.0.0.%1:%2/appcast%3.xml")
                               .arg(host + 1)
                               .arg(servers[static_cast<size_t>(host)]->port())
                               .arg(i));
        apps.append(app);
    }
    Endpoints endpoints = Endpoints::mock(QUrl(QStringLiteral("http://127.0.0.1:9/")));
    Checker checker(endpoints, std::make_shared<BrewIndex>(endpoints.caskCatalogue(), std::nullopt));

    double ratio = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const auto results = awaitTask(checker.checkAll(apps, limit));
        const double elapsed = static_cast<double>(timer.elapsed());
        int passed = 0;
        for (const auto& result : results)
            passed += result.release ? 1 : 0;
        if (passed != appCount)
            state.SkipWithError("not every check passed");
        const double ideal = appCount * delayMs / static_cast<double>(limit);
        ratio = elapsed / ideal;
        state.SetIterationTime(elapsed / 1000.0);
    }
    state.counters["requests"] = appCount;
    state.counters["idealMs"] = appCount * delayMs / static_cast<double>(limit);
    state.counters["ratioToIdeal"] = ratio;
}

BENCHMARK(CheckAll300)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
