#pragma once

#include "notch/IslandModel.h"
#include "runtime/MakeShared.h"

// An island over `rows` whose actions do nothing: for drawing it, never for acting on it.
inline std::shared_ptr<IslandModel> quietIsland(const std::shared_ptr<IslandState>& state, const Store::Rows& rows) {
    IslandModel::Hooks hooks;
    hooks.items = [rows] { return rows; };
    hooks.updatingAll = [] { return false; };
    hooks.updateAll = [](Store::Rows) -> QCoro::Task<void> { co_return; };
    hooks.ignoreVersion = [](const std::shared_ptr<AppItem>&) {};
    hooks.dismissed = [](const QStringList&) { return false; };
    hooks.snooze = [](const QString&) {};
    hooks.neverFromNotch = [] {};
    hooks.openApp = [] {};
    hooks.fold = [](const IslandState*) {};
    return makeShared<IslandModel>(state, std::move(hooks));
}
