#include "notch/UpdateIsland.h"

#include "notch/IslandMorph.h"
#include "runtime/Clock.h"
#include "runtime/MakeShared.h"
#include "runtime/Spawn.h"

#include <utility>

UpdateIsland::UpdateIsland(Desktop desktop) : desktop_(std::move(desktop)) {}

UpdateIsland::~UpdateIsland() {
    if (waiting_)
        waiting_->cancel();
    if (watching_)
        watching_->cancel();
}

void UpdateIsland::show(bool automatic, bool preview) {
    const QStringList ids = desktop_.updateIds();
    if (ids.isEmpty())
        return;
    if (island_) {
        QStringList merged = island_->state->ids();
        for (const QString& id : ids)
            if (!merged.contains(id))
                merged.append(id);
        island_->state->setIds(merged);
        return;
    }
    if (waiting_)
        return;
    autoShown_ = automatic;
    const std::optional<Screen> screen = desktop_.hangingScreen();
    if (!screen)
        return;
    waiting_ = CancelToken();
    spawn(wait(*screen, preview, *waiting_, life_), "island wait");
}

QCoro::Task<void> UpdateIsland::wait(Screen screen, bool preview, CancelToken token, std::weak_ptr<int> life) {
    // A busy notch is tested at most 1 + 600 times, once a second.
    for (int polls = 0; !desktop_.occupants(screen).isEmpty(); ++polls) {
        if (polls == maxPolls) {
            waiting_.reset();
            desktop_.notifyUser();
            co_return;
        }
        co_await Clock::shared().sleep(std::chrono::seconds(1), token);
        if (life.expired() || token.isCancelled())
            co_return;
    }
    waiting_.reset();
    // The list may have changed while the notch was busy.
    present(desktop_.updateIds(), screen, preview);
}

QRectF UpdateIsland::panelFrame(const Screen& screen) {
    const double top = screen.notch.height() > 0 ? screen.frame.top() : screen.workArea.top() + 8;
    return {screen.frame.center().x() - 310, top, 620, 560};
}

void UpdateIsland::present(const QStringList& ids, const Screen& screen, bool preview) {
    if (island_ || ids.isEmpty())
        return;
    auto state = makeShared<IslandState>(ids, screen.notch, preview, Clock::shared().now());
    Island island{desktop_.makePanel(state, screen), state};
    island_ = island;
    panelFrame_ = panelFrame(screen);
    if (!preview)
        desktop_.recordShowing();
    // Windows already over the notch now never fold it later.
    const QSet<qint64> before = NotchOccupants::ids(desktop_.occupants(screen));
    watching_ = CancelToken();
    spawn(watch(island, screen, before, *watching_, life_), "island watcher");
    spawn(expandLater(state, life_), "island expand");
}

QCoro::Task<void> UpdateIsland::expandLater(std::shared_ptr<IslandState> state, std::weak_ptr<int> life) {
    co_await Clock::shared().sleep(std::chrono::milliseconds(50));
    // An island folded within these 50 ms stays folded.
    if (!life.expired() && island_ && island_->state == state)
        state->setExpanded(true);
}

QCoro::Task<void> UpdateIsland::watch(Island island, Screen screen, QSet<qint64> before, CancelToken token,
                                      std::weak_ptr<int> life) {
    const auto isUp = [&] { return !life.expired() && island_ && island_->panel == island.panel; };
    while (!token.isCancelled() && isUp()) {
        co_await Clock::shared().sleep(std::chrono::milliseconds(700), token);
        if (!isUp())
            co_return;
        bool covered = false;
        for (const NotchOccupants::Occupant& occupant : desktop_.occupants(screen))
            covered = covered || !before.contains(occupant.id);
        if (!covered)
            continue;
        if (std::optional<Island> detached = detach())
            fold(*detached);
        co_await Clock::shared().sleep(std::chrono::seconds(1));
        if (!life.expired())
            show(false, island.state->preview());
        co_return;
    }
}

std::optional<UpdateIsland::Island> UpdateIsland::detach() {
    if (waiting_)
        waiting_->cancel();
    if (watching_)
        watching_->cancel();
    waiting_.reset();
    watching_.reset();
    if (island_)
        island_->state->setLeaving();
    return std::exchange(island_, std::nullopt);
}

void UpdateIsland::fold(Island island) {
    island.state->setExpanded(false);
    ++folding_;
    spawn(orderOutLater(island.panel, life_), "island fold");
}

QCoro::Task<void> UpdateIsland::orderOutLater(std::shared_ptr<IslandPanel> panel, std::weak_ptr<int> life) {
    const bool reduced = desktop_.reduceMotion();
    co_await Clock::shared().sleep(std::chrono::milliseconds(reduced ? 250 : 700));
    if (life.expired())
        co_return;
    --folding_;
    if (panel)
        panel->orderOut();
}

void UpdateIsland::foldIfUp(const IslandState* state) {
    if (!island_ || island_->state.get() != state)
        return;
    if (std::optional<Island> detached = detach())
        fold(*detached);
}

void UpdateIsland::openApp() {
    if (opening_)
        return;
    const bool shown = desktop_.mainWindowShown && desktop_.mainWindowShown();
    if (island_ && !island_->state->preview() && island_->state->expanded() &&
        island_->state->islandRect().width() > 0 && !shown && desktop_.growMainWindow) {
        const QRectF from = island_->state->islandRect().translated(panelFrame_.topLeft());
        const Island detached = *detach();
        // The window covers the island as it grows; the panel goes once it stands.
        grow(from, detached.panel, [detached] {
            if (detached.panel)
                detached.panel->orderOut();
        });
        return;
    }
    if (std::optional<Island> detached = detach())
        fold(*detached);
    desktop_.openMainWindow();
}

void UpdateIsland::dropWindow() {
    if (opening_)
        return;
    if (desktop_.mainWindowShown && desktop_.mainWindowShown()) {
        desktop_.openMainWindow();
        return;
    }
    if (island_) {
        openApp();
        return;
    }
    const std::optional<Screen> screen = desktop_.hangingScreen();
    if (!screen || !desktop_.growMainWindow) {
        desktop_.openMainWindow();
        return;
    }
    grow(IslandMorph::folded(screen->frame, screen->workArea, screen->notch).rect, nullptr, [] {});
}

void UpdateIsland::grow(QRectF from, std::shared_ptr<IslandPanel> island, std::function<void()> then) {
    opening_ = true;
    std::weak_ptr<int> life = life_;
    desktop_.growMainWindow(from, std::move(island), [this, life, then = std::move(then)] {
        if (life.expired())
            return;
        opening_ = false;
        then();
    });
}
