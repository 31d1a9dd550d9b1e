#include "notch/NotchSchedulerHooks.h"

NotchSchedulerHooks::NotchSchedulerHooks(Prefs& prefs, NotchDesktop& desktop, NotchScheduler::Rows rows)
    : scheduler_(prefs, desktop, wake_, std::move(rows), [this](bool automatic) { show(automatic, false); }) {}

QStringList NotchSchedulerHooks::pendingKeys(const Store::Rows& visible) {
    QStringList keys;
    for (const auto& row : visible)
        if (row->status().kind() == Status::Kind::update && row->release())
            keys.append(Store::updateKey(row->app().bundleID, *row->release()));
    return keys;
}
