// Loads a generated 10,000-cask catalogue from its disk copy, the mapped read and parse that a load
// answered "not modified" performs, each time in a fresh process as the application's first load
// is; against Python's json module loading the same file in a fresh interpreter. Times are the
// loads alone, taken inside each process; memory is our process's peak anonymous memory above
// its idle self.
#include "sources/BrewCatalogue.h"

#include "support/AnonymousPeak.h"

#include "support/Range.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int caskCount = 10'000;

// Renames every string that names the cask so that each copy indexes under keys of its own.
QJsonValue renamed(const QJsonValue& value, const QString& suffix) {
    if (value.isString()) {
        QString text = value.toString();
        text.replace(QStringLiteral(".app"), suffix + QStringLiteral(".app"));
        text.replace(QStringLiteral("com."), QStringLiteral("com.n") + suffix.mid(1) + QLatin1Char('.'));
        return text;
    }
    if (value.isArray()) {
        QJsonArray result;
        for (const auto& each : value.toArray())
            result.append(renamed(each, suffix));
        return result;
    }
    if (value.isObject()) {
        QJsonObject result;
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            result.insert(it.key(), renamed(it.value(), suffix));
        return result;
    }
    return value;
}

// The real excerpt's entries that name an application (the others are never indexed), repeated
// with fresh tokens, names and identifiers, so every generated cask is indexed.
QByteArray generatedCatalogue() {
    QFile file(QStringLiteral(QUENLARK_TEST_DATA_DIR "/real-feeds/homebrew_cask_api_excerpt_8_entries.json"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("the catalogue excerpt is missing");
    const QByteArray excerpt = file.readAll();
    const auto indexed = BrewCatalogue::parse(excerpt, true, 15);
    QJsonArray templates;
    for (const auto& each : QJsonDocument::fromJson(excerpt).array()) {
        if (indexed && indexed->byToken(each[QStringLiteral("token")].toString()))
            templates.append(each);
    }
    QJsonArray casks;
    for (int i = 0; i < caskCount; ++i) {
        const QString suffix = QStringLiteral("-%1").arg(i);
        QJsonObject cask = renamed(templates.at(i % templates.size()), suffix).toObject();
        cask.insert(QStringLiteral("token"),
                    templates.at(i % templates.size())[QStringLiteral("token")].toString() + suffix);
        casks.append(cask);
    }
    return QJsonDocument(casks).toJson(QJsonDocument::Compact);
}

const QString& cataloguePath() {
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString file = folder.filePath(QStringLiteral("cask.json"));
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(generatedCatalogue()) < 0)
            qFatal("cannot write the catalogue");
        return file;
    }();
    return path;
}

// Runs a fresh process and reads the figures it prints.
QList<double> figuresOf(const QString& program, const QStringList& arguments,
                        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.waitForFinished(-1);
    QList<double> figures;
    for (const QByteArray& word : process.readAllStandardOutput().simplified().split(' '))
        figures.append(word.toDouble());
    return figures;
}

void LoadInFreshProcess(benchmark::State& state) {
    const QString path = cataloguePath();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUENLARK_LOAD_ONCE"), path);
    QList<double> figures;
    for (auto _ : state) {
        figures = figuresOf(QCoreApplication::applicationFilePath(), {}, environment);
        if (figures.size() != 3) {
            state.SkipWithError("the loading process failed");
            break;
        }
        state.SetIterationTime(figures[0]);
    }
    if (figures.size() == 3) {
        state.counters["casks"] = figures[2];
        state.counters["peak_anon_MiB_above_idle"] = figures[1];
    }
    state.counters["fileMiB"] = double(QFile(path).size()) / (1024.0 * 1024.0);
}

void PythonJsonLoad(benchmark::State& state) {
    const QString path = cataloguePath();
    const QString script = QStringLiteral("import json, sys, time\n"
                                          "start = time.perf_counter()\n"
                                          "with open(sys.argv[1], 'rb') as f: json.load(f)\n"
                                          "print(time.perf_counter() - start)\n");
    for (auto _ : state) {
        const QList<double> figures = figuresOf(QStringLiteral("python3"), {QStringLiteral("-c"), script, path});
        if (figures.size() != 1 || figures[0] <= 0) {
            state.SkipWithError("python3 failed");
            break;
        }
        state.SetIterationTime(figures[0]);
    }
}

// The loading process: started with the catalogue's path in the environment, it loads it once
// as the index reads its disk copy, and prints seconds, peak MiB above idle, and casks indexed.
const bool loader = [] {
    const char* path = std::getenv("QUENLARK_LOAD_ONCE");
    if (!path)
        return false;
    AnonymousPeak peak;
    QElapsedTimer timer;
    timer.start();
    const auto catalogue = BrewCatalogue::load(QString::fromLocal8Bit(path), true, 15);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("%.6f %.3f %lld\n", seconds, peak.aboveStartMiB(),
                static_cast<long long>(catalogue ? catalogue->size() : 0));
    std::fflush(stdout);
    std::_Exit(0);
}();


BENCHMARK(PythonJsonLoad)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(9)
    ->Apply(withRange);
BENCHMARK(LoadInFreshProcess)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(9)
    ->Apply(withRange);

} // namespace
