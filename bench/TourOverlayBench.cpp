// One frame of the guided tour's ring pulsing over the dashboard with 2,000 rows: the ring and
// its glow are drawn again over the dashboard beneath them. The pulse runs at the display's
// pace, so a frame must fit well inside 16 ms. Likewise one frame of the menu-bar step's
// illustration, whose glow breathes at that pace.
// Aim: the worst frame under 8 ms of the GUI thread's time (half a frame), on a busy machine too.
#include "StoreHarness.h"
#include "support/EventTurn.h"
#include "support/StepTrace.h"

#include "onboarding/Tour.h"
#include "onboarding/ui/MenuBarDemo.h"
#include "onboarding/ui/TourOverlay.h"
#include "runtime/MakeShared.h"
#include "runtime/Clock.h"
#include "views/MainView.h"
#include "views/cards/CardList.h"

#include <benchmark/benchmark.h>

#include <QApplication>

namespace {

Store::Rows rows(int count) {
    Store::Rows list;
    for (int i = 0; i < count; ++i) {
        auto row = makeShared<AppItem>(
            StoreHarness::app(QStringLiteral("Application %1").arg(i, 4, 10, QLatin1Char('0')), QStringLiteral("1.0")));
        row->setStatus(i % 3 ? Status::upToDate() : Status::update());
        list.append(row);
    }
    return list;
}

// The argument is the step: 0 rings the header, 5 the first card of the list.
void PulseFrameOverDashboard(benchmark::State& state) {
    StoreHarness h;
    Store& store = h.build();
    store.setItems(rows(2000));
    MainView view(store, *h.prefs, h.clock);
    view.resize(1120, 780);
    view.show();
    for (int i = 0; i < 20; ++i)
        EventTurn::run();
    view.cardList()->flush();
    Tour::start(store);
    Tour::go(store, *h.prefs, int(state.range(0)));
    for (int i = 0; i < 20; ++i)
        EventTurn::run();
    TourOverlay* overlay = view.tourOverlay();
    constexpr int frames = 72; // one breath of 1.2 s each way at 60 Hz
    int frame = 0;
    StepTrace trace;
    for (auto _ : state) {
        const double t = double(frame % frames) / (frames - 1);
        trace.begin();
        overlay->setPulse(frame / frames % 2 ? 1 - t : t);
        EventTurn::run();
        trace.end();
        ++frame;
    }
    trace.report(state);
}
BENCHMARK(PulseFrameOverDashboard)->Arg(0)->Arg(5)->Unit(benchmark::kMillisecond)->Iterations(300);

// The illustration with the application's icon and a badge, drawn again as at every beat of its glow.
void MenuBarIllustrationFrame(benchmark::State& state) {
    MenuBarDemo demo(12, QIcon(QStringLiteral(QUENLARK_SOURCE_DIR "/resources/bundle/AppIcon.svg")));
    demo.show();
    for (int i = 0; i < 20; ++i)
        EventTurn::run();
    StepTrace trace;
    for (auto _ : state) {
        trace.begin();
        demo.repaint();
        trace.end();
    }
    trace.report(state);
}
BENCHMARK(MenuBarIllustrationFrame)->Unit(benchmark::kMillisecond)->Iterations(300);

} // namespace
