// Parsing the real appcasts as they are published, one document at a time, and the largest of
// them on its own.
#include "sources/AppcastParser.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>

#include <algorithm>

namespace {

struct Feeds {
    QList<QByteArray> documents;
    qint64 bytes = 0;
    QByteArray largest;

    Feeds() {
        const QDir folder(QStringLiteral(QUENLARK_TEST_DATA_DIR "/real-feeds"));
        for (const QString& name : folder.entryList({QStringLiteral("appcast_*.xml")}, QDir::Files, QDir::Name)) {
            QFile file(folder.filePath(name));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            documents.append(file.readAll());
            bytes += documents.last().size();
            if (documents.last().size() > largest.size())
                largest = documents.last();
        }
        if (documents.isEmpty())
            qFatal("the real feeds are missing");
    }
};

const Feeds& feeds() {
    static const Feeds f;
    return f;
}

void everyFeed(benchmark::State& state) {
    const Feeds& f = feeds();
    qsizetype items = 0;
    for (auto _ : state) {
        items = 0;
        for (const QByteArray& document : f.documents) {
            AppcastParser parser;
            if (parser.parse(document))
                state.SkipWithError("a real feed did not parse");
            items += parser.items.size();
        }
        benchmark::DoNotOptimize(items);
    }
    state.counters["feeds"] = double(f.documents.size());
    state.counters["items"] = double(items);
    state.SetBytesProcessed(state.iterations() * f.bytes);
}

void largestFeed(benchmark::State& state) {
    const Feeds& f = feeds();
    for (auto _ : state) {
        AppcastParser parser;
        if (parser.parse(f.largest))
            state.SkipWithError("the feed did not parse");
        benchmark::DoNotOptimize(parser.items);
    }
    state.counters["KiB"] = double(f.largest.size()) / 1024.0;
    state.SetBytesProcessed(state.iterations() * f.largest.size());
}

BENCHMARK(everyFeed)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(largestFeed)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();

} // namespace
