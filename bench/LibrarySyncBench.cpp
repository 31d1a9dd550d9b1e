#include "account/Auth.h"
#include "library/Cloud.h"
#include "sources/Net.h"

#include "support/AnonymousPeak.h"
#include "support/AwaitTask.h"
#include "support/Range.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>

#include <chrono>

#include <malloc.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QDateTime now(QDate(2026, 1, 10), QTime(12, 0), Qt::UTC);
const Device here{u"dhere"_s, u"Mac"_s, u"Mac14,2"_s, now, u"ab"_s};

// 2,000 scanned apps of every kind of release.
QList<Cloud::Scanned> scanned(int count) {
    QList<Cloud::Scanned> apps;
    for (int i = 0; i < count; ++i) {
        InstalledApp app;
        app.bundleID = u"com.example.app"_s + QString::number(i);
        app.name = u"App "_s + QString::number(i);
        app.version = u"1."_s + QString::number(i % 7);
        app.team = u"TEAM"_s + QString::number(i % 50);
        Release release;
        release.kind = SourceKinds::all()[i % 5];
        release.ref = u"ref-"_s + QString::number(i);
        apps.append({app, i % 3 ? std::optional(release) : std::nullopt});
    }
    return apps;
}

// The library those apps leave after one sync, with a tenth changed since and a tenth gone.
QList<LibraryApp> library(const QList<Cloud::Scanned>& apps, const Cloud& cloud) {
    QList<LibraryApp> records;
    for (const QByteArray& write : cloud.plan(apps, {}, here, now)) {
        QJsonObject update = QJsonDocument::fromJson(write).object().value(u"update"_s).toObject();
        if (!update.value(u"name"_s).toString().contains(u"/apps/"_s))
            continue;
        records.append(*Cloud::app(update));
    }
    for (qsizetype i = 0; i < records.size(); i += 10)
        records[i].devices[here.id].version = u"0.9"_s;
    for (qsizetype i = 5; i < records.size(); i += 10)
        records[i].id += u"-gone"_s;
    return records;
}

Cloud makePlanner() {
    Session session;
    session.uid = u"u1"_s;
    return Cloud{CloudConfig::emulator(u"k"_s, u"demo-p"_s, u"127.0.0.1:1"_s, u"127.0.0.1:1"_s), session};
}
const Cloud planner = makePlanner();

void PlanSync2000(benchmark::State& state) {
    const auto apps = scanned(2000);
    const auto records = library(apps, planner);
    // The first plan, with the heap the setup freed given back, so that what the plan touches
    // counts; measured while the plan is still held.
    malloc_trim(0);
    AnonymousPeak peak;
    qsizetype writes = 0;
    {
        const QList<QByteArray> first = planner.plan(apps, records, here, now);
        state.counters["peakMiB"] = peak.aboveStartMiB();
        writes = first.size();
        qsizetype bytes = 0;
        for (const QByteArray& write : first)
            bytes += write.size();
        state.counters["planKiB"] = double(bytes) / 1024;
    }
    for (auto _ : state) {
        writes = planner.plan(apps, records, here, now).size();
        benchmark::DoNotOptimize(writes);
    }
    state.counters["writes"] = static_cast<double>(writes);
}
BENCHMARK(PlanSync2000)->Unit(benchmark::kMillisecond);

// Against the emulators of tests/support/with-auth-emulator and with-firestore-emulator: the
// first sync of 2,000 apps and the reload of that library, and curl sending the same commit
// bodies and page requests to the same emulator, one after another over one connection.
std::optional<Cloud> emulatorAccount() {
    const QString auth = qEnvironmentVariable("QUENLARK_AUTH_EMULATOR");
    const QString firestore = qEnvironmentVariable("QUENLARK_FIRESTORE_EMULATOR");
    if (auth.isEmpty() || firestore.isEmpty())
        return std::nullopt;
    const CloudConfig config =
        CloudConfig::emulator(u"demo-key"_s, qEnvironmentVariable("QUENLARK_AUTH_EMULATOR_PROJECT"), auth, firestore);
    const QString email = u"bench-"_s + QUuid::createUuid().toString(QUuid::Id128).left(12) + u"@example.com"_s;
    return Cloud{config, awaitTask(Auth::signUp(email, u"secret-pw"_s, config))};
}

// Runs curl over `urls`; POST bodies come from files when given.
void curl(const Cloud& cloud, const QStringList& urls, const QStringList& bodies) {
    QStringList args{u"-s"_s, u"-o"_s, u"/dev/null"_s};
    for (qsizetype i = 0; i < urls.size(); ++i) {
        if (i)
            args << u"--next"_s << u"-s"_s << u"-o"_s << u"/dev/null"_s;
        args << u"-H"_s << u"Authorization: Bearer "_s + cloud.session.idToken;
        if (!bodies.isEmpty())
            args << u"-H"_s << u"Content-Type: application/json"_s << u"--data-binary"_s << u"@"_s + bodies[i];
        args << urls[i];
    }
    QProcess process;
    process.start(u"curl"_s, args);
    process.waitForFinished(-1);
}

// Ours and curl's run alternately, each side first in every other round, so that a slower
// spell of the shared emulator falls on both; the iteration time is ours, and the counters hold
// both sides' means and their ratio.
template <typename Round>
void interleaved(benchmark::State& state, Round round) {
    double ours = 0, curls = 0;
    int rounds = 0;
    for (auto _ : state) {
        const bool curlFirst = rounds % 2 == 1;
        double mine = 0;
        for (const bool viaCurl : {curlFirst, !curlFirst}) {
            const double ms = round(viaCurl);
            (viaCurl ? curls : mine) += ms;
        }
        ours += mine;
        state.SetIterationTime(mine / 1000);
        ++rounds;
    }
    state.counters["ours_ms"] = rounds ? ours / rounds : 0;
    state.counters["curl_ms"] = rounds ? curls / rounds : 0;
    state.counters["ours_per_curl"] = curls > 0 ? ours / curls : 0;
}

void FirstSync2000(benchmark::State& state) {
    if (!emulatorAccount()) {
        state.SkipWithError("the emulators are not running");
        return;
    }
    const auto apps = scanned(2000);
    QTemporaryDir dir;
    const auto round = [&](bool viaCurl) {
        const Cloud cloud = *emulatorAccount(); // an empty library each round
        QStringList bodies, urls;
        if (viaCurl) {
            const QList<QByteArray> writes = cloud.plan(apps, {}, here, now);
            for (qsizetype start = 0; start < writes.size(); start += Cloud::writesPerCommit) {
                QFile file(dir.filePath(QString::number(start)));
                file.open(QIODevice::WriteOnly);
                file.write("{\"writes\":[" + writes.mid(start, Cloud::writesPerCommit).join(',') + "]}");
                bodies.append(file.fileName());
                urls.append(cloud.config.firestoreHost + u"v1/projects/"_s + cloud.config.projectId +
                            u"/databases/(default)/documents:commit"_s);
            }
        }
        QElapsedTimer timer;
        timer.start();
        if (viaCurl)
            curl(cloud, urls, bodies);
        else
            awaitTask(cloud.sync(apps, {}, here));
        return double(timer.nsecsElapsed()) / 1e6;
    };
    // The emulator's JVM is several times slower on its first commits, and keeps speeding up for
    // a while: whoever ran first lost. Both sides warm it, untimed, a few rounds each.
    static const bool warm = [&] {
        for (int i = 0; i < 8; ++i)
            round(i % 2 == 1);
        return true;
    }();
    benchmark::DoNotOptimize(warm);
    interleaved(state, round);
}
BENCHMARK(FirstSync2000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4)
    ->Repetitions(5)
    ->UseManualTime()
    ->Apply(withRange);

void Reload2000(benchmark::State& state) {
    const auto account = emulatorAccount();
    if (!account) {
        state.SkipWithError("the emulators are not running");
        return;
    }
    const Cloud cloud = *account;
    awaitTask(cloud.sync(scanned(2000), {}, here));
    // The page requests the client makes, as curl is to repeat them.
    QStringList urls;
    std::optional<QString> token;
    do {
        QString url = cloud.documentsRoot() + u"/users/"_s + cloud.session.uid + u"/apps?pageSize=300"_s;
        if (token)
            url += u"&pageToken="_s + QString::fromLatin1(QUrl::toPercentEncoding(*token));
        urls.append(url);
        const QJsonObject page = awaitTask(cloud.request(QByteArrayLiteral("GET"), url));
        token = page.value(u"nextPageToken"_s).toString();
    } while (token && !token->isEmpty());
    qsizetype count = 0;
    interleaved(state, [&](bool viaCurl) {
        QElapsedTimer timer;
        timer.start();
        if (viaCurl)
            curl(cloud, urls, {});
        else
            count = awaitTask(cloud.apps()).records.size();
        return double(timer.nsecsElapsed()) / 1e6;
    });
    state.counters["apps"] = static_cast<double>(count);
}
BENCHMARK(Reload2000)->Unit(benchmark::kMillisecond)->Iterations(4)->Repetitions(3)->UseManualTime()->Apply(withRange);

} // namespace
