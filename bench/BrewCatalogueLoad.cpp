// Loads a generated 10,000-cask catalogue from its disk copy: the read and parse that a load
// answered "not modified" performs, off the GUI thread in the application.
#include "sources/BrewCatalogue.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <fstream>
#include <string>

namespace {

constexpr int caskCount = 10'000;

// The process's peak resident size (VmHWM), which resetPeak() sets back to the current size.
long peakKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

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

// The real excerpt's eight entries, repeated with fresh tokens, names and identifiers.
QByteArray generatedCatalogue() {
    QFile file(QStringLiteral(QUENLARK_SHARED_DIR "/real-feeds/homebrew_cask_api_excerpt_8_entries.json"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("the catalogue excerpt is missing");
    const QJsonArray templates = QJsonDocument::fromJson(file.readAll()).array();
    QJsonArray casks;
    for (int i = 0; i < caskCount; ++i) {
        const QString suffix = QStringLiteral("-%1").arg(i);
        QJsonObject cask = renamed(templates.at(i % templates.size()), suffix).toObject();
        cask.insert(QStringLiteral("token"), templates.at(i % templates.size())[QStringLiteral("token")].toString() + suffix);
        casks.append(cask);
    }
    return QJsonDocument(casks).toJson(QJsonDocument::Compact);
}

void LoadFromDiskCopy(benchmark::State& state) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("cask.json"));
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(generatedCatalogue());
    }
    resetPeak();
    const long before = peakKiB();
    qsizetype casks = 0;
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const auto catalogue = BrewCatalogue::parse(file.readAll(), true, 15);
        casks = catalogue ? catalogue->byToken.size() : 0;
        benchmark::DoNotOptimize(casks);
    }
    state.counters["casks"] = static_cast<double>(casks);
    state.counters["fileMiB"] = static_cast<double>(QFile(path).size()) / (1024.0 * 1024.0);
    state.counters["peakMiB"] = static_cast<double>(peakKiB()) / 1024.0;
    state.counters["peakGrowthMiB"] = static_cast<double>(peakKiB() - before) / 1024.0;
}

BENCHMARK(LoadFromDiskCopy)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

