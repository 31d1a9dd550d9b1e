// The library screen over a library of 2,000 apps on 3 Macs. LibraryTabSwitch2000 flips the tab
// between "Not on This Mac" and "All"; LibrarySearchKeystroke2000 types the search one character
// further and takes it back; each runs the event-loop turn that follows (the screen's pass: rows,
// badges, action bar, list with its rows reused, layout). Benchmark's CPU column is the GUI
// thread's CPU time; aim: under 4 ms. Each reports `badgeCounts`, the badges counted per change:
// 0 for a tab or a search, which never recount them. LibraryEntryChange2000 changes one entry's
// phase: the badges are counted once for it, however many views read them.
#include "SampleSession.h"
#include "StoreHarness.h"
#include "support/EventTurn.h"

#include "library/LibraryBadges.h"
#include "library/ui/LibraryList.h"
#include "library/ui/LibraryView.h"
#include "store/LibraryItem.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Screen {
    StoreHarness h;
    Store* store = nullptr;
    std::unique_ptr<LibraryView> view;

    Screen() {
        const QDateTime now = h.clock.now();
        const QStringList macs{u"dhere"_s, u"dlaptop"_s, u"dstudio"_s};
        h.deviceID = macs[0];
        h.cloud = CloudConfig{u"key"_s, u"demo-bench"_s, {}, u"http://127.0.0.1:9"_s, u"http://127.0.0.1:9"_s, true};
        h.libraryDevices = {{macs[0], u"Studio"_s, u"Mac14,13"_s, now, {}},
                            {macs[1], u"MacBook"_s, u"Mac15,3"_s, now.addDays(-1), {}},
                            {macs[2], u"MacBook"_s, u"Mac14,2"_s, now.addDays(-7), {}}};
        for (int i = 0; i < 2000; ++i) {
            LibraryApp app;
            app.id = u"com.example.app%1"_s.arg(i);
            app.name = u"App %1"_s.arg(i);
            app.source = i % 3 ? u"Sparkle"_s : u"Homebrew cask"_s;
            // Spread over the Macs: some here, most elsewhere, some nowhere.
            for (int m = 0; m < 3; ++m)
                if ((i + m) % 4 != 0)
                    app.devices.insert(macs[m], {u"1.0"_s, (i * 7 + m) % 5 != 0, now.addDays(-(i % 30))});
            if (i % 10 == 0)
                app.storeURL = u"https://apps.apple.com/app/id%1"_s.arg(i);
            h.libraryApps.append(app);
        }
        store = &h.build();
        store->setSession(sampleSession(u"google.com"_s, true));
        h.settle(h.start(store->syncLibrary()), 5);
        view = std::make_unique<LibraryView>(*store, h.clock);
        view->resize(1120, 720);
        view->show();
        QCoreApplication::processEvents();
    }

    void turn() {
        EventTurn::run();
        view->list()->widget()->layout()->activate();
        benchmark::DoNotOptimize(view->list()->widget()->height());
    }
};

template <typename Change>
void measure(benchmark::State& state, Screen& screen, Change change) {
    // Both states once before timing, so their rows exist.
    change(false);
    screen.turn();
    change(true);
    screen.turn();
    const quint64 before = LibraryBadges::passes();
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        change(flip);
        screen.turn();
    }
    state.counters["badgeCounts"] =
        static_cast<double>(LibraryBadges::passes() - before) / static_cast<double>(state.iterations());
}

void LibraryTabSwitch2000(benchmark::State& state) {
    Screen screen;
    measure(state, screen, [&](bool all) { screen.store->setLibraryTab(all ? LibraryTab::all : LibraryTab::missing); });
}

void LibrarySearchKeystroke2000(benchmark::State& state) {
    Screen screen;
    screen.store->setLibraryTab(LibraryTab::all);
    measure(state, screen, [&](bool longer) { screen.store->setQuery(longer ? u"12"_s : u"1"_s); });
}

void LibraryEntryChange2000(benchmark::State& state) {
    Screen screen;
    const auto item = screen.store->library().at(1);
    measure(state, screen,
            [&](bool failed) { item->setPhase(failed ? InstallPhase::failed(u"No."_s) : InstallPhase::idle()); });
}

BENCHMARK(LibraryTabSwitch2000)->Unit(benchmark::kMillisecond);
BENCHMARK(LibrarySearchKeystroke2000)->Unit(benchmark::kMillisecond);
BENCHMARK(LibraryEntryChange2000)->Unit(benchmark::kMillisecond);

} // namespace
