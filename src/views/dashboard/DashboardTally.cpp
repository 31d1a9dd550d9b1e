#include "views/dashboard/DashboardTally.h"

#include "store/StoreCache.h"

namespace {

DashboardTally count(const Store& store) {
    DashboardTally t;
    for (const auto& row : store.visible()) {
        ++t.visible;
        switch (row->status().kind()) {
        case Status::Kind::upToDate: ++t.upToDate; break;
        case Status::Kind::update:
            ++t.updates;
            if (row->app().canInstall(row->release()) && !row->phase().inProgress())
                ++t.installable;
            break;
        case Status::Kind::cantVerify: ++t.cantVerify; break;
        case Status::Kind::ignored: ++t.ignored; break;
        case Status::Kind::checking: break;
        }
    }
    for (const auto& row : store.items())
        if (row->phase().kind() == InstallPhase::Kind::blocked)
            ++t.blocked;
    return t;
}
} // namespace

const DashboardTally& DashboardTally::of(const Store& store) {
    static StoreCache<DashboardTally> cache;
    return cache.get(store, [&](DashboardTally& tally) { tally = count(store); });
}
