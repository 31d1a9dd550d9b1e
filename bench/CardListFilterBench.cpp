// With 2,000 rows in the main list, switching the filter between All and Updates: applying the
// change to the list (reusing the cards) and laying the list out must fit in a frame (16 ms).
#include "support/EventTurn.h"
#include "support/SandboxStore.h"

#include "views/cards/CardList.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLayout>

namespace {
void FilterChange2000(benchmark::State& state) {
    SandboxStore sandbox(2000);
    Store& store = sandbox.store;

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
    EventTurn::run();

    bool updates = false;
    for (auto _ : state) {
        updates = !updates;
        store.setFilter(updates ? Filter::updates : Filter::all);
        list.flush();
        list.widget()->layout()->activate();
        benchmark::DoNotOptimize(list.widget()->height());
        EventTurn::deleteReleased();
    }
}
BENCHMARK(FilterChange2000)->Unit(benchmark::kMillisecond);
} // namespace
