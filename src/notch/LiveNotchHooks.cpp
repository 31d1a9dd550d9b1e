#include "notch/LiveNotchHooks.h"

#include "model/Motion.h"
#include "model/Prefs.h"
#include "notch/IslandModel.h"
#include "runtime/Clock.h"
#include "runtime/MakeShared.h"
#include "runtime/Spawn.h"

LiveNotchHooks::LiveNotchHooks(Prefs& prefs, NotchDesktop& desktop, std::function<Store&()> store)
    : prefs_(prefs), desktop_(desktop), store_(std::move(store)),
      scheduler_(prefs, desktop, wake_,
                 NotchScheduler::Rows{[this] { return pendingKeys(store_().visible()); },
                                      [this] { return store_().tourStep().has_value(); }},
                 [this](bool automatic) { show(automatic, false); }),
      island_(islandDesktop()) {}

QStringList LiveNotchHooks::pendingKeys(const Store::Rows& visible) {
    QStringList keys;
    for (const auto& row : visible)
        if (row->status().kind() == Status::Kind::update && row->release())
            keys.append(Store::updateKey(row->app().bundleID, *row->release()));
    return keys;
}

QStringList LiveNotchHooks::updateIds(const Store::Rows& visible) {
    QStringList ids;
    for (const auto& row : visible)
        if (row->status().kind() == Status::Kind::update)
            ids.append(row->id());
    return ids;
}

UpdateIsland::Desktop LiveNotchHooks::islandDesktop() {
    UpdateIsland::Desktop d;
    d.updateIds = [this] { return updateIds(store_().visible()); };
    d.hangingScreen = [this] { return desktop_.hangingScreen(); };
    d.occupants = [this](const UpdateIsland::Screen& screen) { return desktop_.occupants(screen); };
    d.makePanel = [this](const std::shared_ptr<IslandState>& state, const UpdateIsland::Screen& screen) {
        return desktop_.makePanel(model(state), UpdateIsland::panelFrame(screen));
    };
    d.recordShowing = [this] {
        NotchMemory memory = prefs_.notchMemory();
        memory.lastShown = Clock::shared().now();
        memory.lastShownKeys = pendingKeys(store_().visible());
        prefs_.setNotchMemory(std::move(memory));
    };
    d.notifyUser = [this] { spawn(store_().postNotification(std::nullopt), "island notification"); };
    d.openMainWindow = [this] { store_().openMainWindow(); };
    d.reduceMotion = [] { return Motion::reduced(); };
    d.mainWindowShown = [this] {
        for (const NotchDesktop::Window& window : desktop_.ownWindows())
            if (window.title == QLatin1String("Quenlark") && window.normalLevel && (window.visible || window.minimised))
                return true;
        return false;
    };
    d.growMainWindow = [this](QRectF from, std::shared_ptr<IslandPanel> island, std::function<void()> done) {
        desktop_.growMainWindow(from, island, std::move(done));
    };
    return d;
}

std::shared_ptr<IslandModel> LiveNotchHooks::model(const std::shared_ptr<IslandState>& state) {
    IslandModel::Hooks hooks;
    hooks.items = [this] { return store_().items(); };
    hooks.updatingAll = [this] { return store_().updatingAll(); };
    hooks.updateAll = [this](Store::Rows rows) { return store_().updateAll(std::move(rows)); };
    hooks.ignoreVersion = [this](const std::shared_ptr<AppItem>& item) { store_().ignoreVersion(item); };
    hooks.dismissed = [this](const QStringList& keys) { return scheduler_.dismissed(keys); };
    hooks.snooze = [this](const QString& choice) { scheduler_.snooze(choice); };
    hooks.neverFromNotch = [this] { prefs_.setNotchMode(NotchMode::never); };
    hooks.openApp = [this] { island_.openApp(); };
    hooks.fold = [this](const IslandState* shown) { island_.foldIfUp(shown); };
    return makeShared<IslandModel>(state, std::move(hooks));
}
