// With 2,000 rows in the main list, switching the filter between All and Updates: applying the
// change to the list (reusing the cards) and laying the list out must fit in a frame (16 ms).
#include "model/AppItem.h"
#include "model/Launch.h"
#include "model/Motion.h"
#include "model/Prefs.h"
#include "platform/system/Defaults.h"
#include "runtime/MakeShared.h"
#include "store/Store.h"
#include "views/CardList.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLayout>
#include <QTemporaryDir>

#include <clocale>
#include <cstdlib>

namespace {
Store::Rows rows(int count) {
    Store::Rows list;
    for (int i = 0; i < count; ++i) {
        InstalledApp app;
        app.name = QStringLiteral("App %1").arg(i);
        app.url = QStringLiteral("/Applications/") + app.name + QStringLiteral(".app");
        app.folder = QStringLiteral("/Applications");
        app.bundleID = QStringLiteral("org.example.app%1").arg(i);
        app.version = QStringLiteral("1.0");
        app.team = QStringLiteral("ABCDE12345");
        auto item = makeShared<AppItem>(app);
        // Every fourth row has an update, so the Updates filter keeps a quarter of the list.
        item->setStatus(i % 4 == 0 ? Status::update() : Status::upToDate());
        list.append(item);
    }
    return list;
}

void FilterChange2000(benchmark::State& state) {
    QTemporaryDir root;
    Prefs prefs(std::make_shared<Defaults>(root.filePath(QStringLiteral("prefs.plist"))), true);
    Store::Collaborators c = Store::Collaborators::standard();
    c.prefs = &prefs;
    c.options.sandbox = root.filePath(QStringLiteral("Applications"));
    c.options.mock = QUrl(QStringLiteral("http://127.0.0.1:9/"));
    Store store(std::move(c));
    store.setItems(rows(2000));

    QWidget host;
    host.resize(1120, 780);
    CardList list(store, &host);
    list.resize(host.size());
    host.show();
    // Every card is built once, under both filters, before timing.
    store.setFilter(Filter::updates);
    list.flush();
    store.setFilter(Filter::all);
    list.flush();
    list.widget()->layout()->activate();
    QCoreApplication::processEvents();

    bool updates = false;
    for (auto _ : state) {
        updates = !updates;
        store.setFilter(updates ? Filter::updates : Filter::all);
        list.flush();
        list.widget()->layout()->activate();
        benchmark::DoNotOptimize(list.widget()->height());
    }
}
BENCHMARK(FilterChange2000)->Unit(benchmark::kMillisecond);
} // namespace

