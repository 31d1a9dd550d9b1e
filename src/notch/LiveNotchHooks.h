#pragma once

#include "notch/NotchScheduler.h"
#include "notch/UpdateIsland.h"
#include "platform/desktop/SessionWake.h"
#include "store/NotchHooks.h"
#include "store/Store.h"

#include <functional>

class IslandModel;

// The notch seam of the store and the shell: the scheduler decides, the island controller shows
// and folds, both on the desktop installed by the views (NotchDesktop), reading the store.
class LiveNotchHooks final : public NotchHooks {
public:
    LiveNotchHooks(Prefs& prefs, NotchDesktop& desktop, std::function<Store&()> store);

    // The update keys of the rows with an update that carry a release, in the rows' order.
    static QStringList pendingKeys(const Store::Rows& visible);
    // The bundle paths of the rows with an update, in the rows' order.
    static QStringList updateIds(const Store::Rows& visible);

    NotchScheduler& scheduler() { return scheduler_; }
    UpdateIsland& island() { return island_; }

    void request(NotchTrigger trigger) override { scheduler_.request(trigger); }
    void start() override { scheduler_.start(); }
    bool appInUse() const override { return scheduler_.appInUse(); }

    void show(bool automatic, bool preview) override { island_.show(automatic, preview); }
    bool autoShown() const override { return island_.autoShown(); }
    std::optional<Detached> detach() override { return island_.detach(); }
    void fold(Detached island) override { island_.fold(std::move(island)); }
    void dropWindow() override { island_.dropWindow(); }

private:
    UpdateIsland::Desktop islandDesktop();
    std::shared_ptr<IslandModel> model(const std::shared_ptr<IslandState>& state);

    Prefs& prefs_;
    NotchDesktop& desktop_;
    std::function<Store&()> store_;
    SessionWake wake_;
    NotchScheduler scheduler_;
    UpdateIsland island_;
};
