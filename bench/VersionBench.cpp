#include "model/Version.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <random>

namespace {

// Version texts as the real feeds write them: appcast versions and short versions, electron
// "version:" lines, GitHub tag names and cask versions.
QStringList realVersionTexts() {
    const QString folder = QStringLiteral(QUENLARK_TEST_DATA_DIR "/real-feeds");
    const QRegularExpression patterns[] = {
        QRegularExpression(R"(sparkle:(?:shortVersionString|version)=["']([^"']+)["'])"),
        QRegularExpression(R"(<sparkle:(?:shortVersionString|version)>\s*([^<]+?)\s*</)"),
        QRegularExpression(R"(^version:\s*'?([^'\s]+))", QRegularExpression::MultilineOption),
        QRegularExpression(R"re("(?:tag_name|version)"\s*:\s*"([^"]+)")re"),
    };
    QStringList texts;
    for (const auto& name : QDir(folder).entryList(QDir::Files)) {
        QFile file(folder + "/" + name);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString body = QString::fromUtf8(file.readAll());
        for (const auto& pattern : patterns)
            for (auto it = pattern.globalMatch(body); it.hasNext();)
                texts.append(it.next().captured(1));
    }
    return texts;
}

struct Pair {
    Version::Texts installed, latest;
};

std::vector<Pair> pairs() {
    const QStringList texts = realVersionTexts();
    std::mt19937 random(7);
    std::uniform_int_distribution<qsizetype> pick(0, texts.size() - 1);
    std::bernoulli_distribution some(0.7);
    const auto side = [&]() -> Version::Texts {
        return {some(random) ? std::optional(texts[pick(random)]) : std::nullopt,
                some(random) ? std::optional(texts[pick(random)]) : std::nullopt};
    };
    std::vector<Pair> out;
    for (int i = 0; i < 10000; ++i)
        out.push_back({side(), side()});
    return out;
}

void IsNewer(benchmark::State& state) {
    const auto all = pairs();
    int newer = 0;
    for (auto _ : state) {
        for (const auto& pair : all)
            newer += Version::isNewer(pair.installed, pair.latest).value_or(false);
        benchmark::DoNotOptimize(newer);
    }
    state.SetItemsProcessed(state.iterations() * qint64(all.size()));
    state.counters["ns_per_isNewer"] = benchmark::Counter(double(state.iterations()) * double(all.size()),
                                                          benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["texts"] = double(realVersionTexts().size());
}
BENCHMARK(IsNewer)->Unit(benchmark::kMillisecond);

} // namespace
