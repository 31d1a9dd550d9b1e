#include "views/dashboard/DashboardTally.h"

#include "runtime/Observation.h"
#include "store/Store.h"

#include <unordered_map>

namespace {
struct Entry {
    DashboardTally tally;
    bool valid = false;
    Observation::Handle tracking;
    ObservationNode node;
    ~Entry() { Observation::cancel(tracking); }
};

// One tally per live store, on the GUI thread.
std::unordered_map<const Store*, Entry>& entries() {
    static std::unordered_map<const Store*, Entry> map;
    return map;
}

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
    auto [at, added] = entries().try_emplace(&store);
    if (added)
        QObject::connect(&store, &QObject::destroyed, [key = &store] { entries().erase(key); });
    Entry& entry = at->second;
    if (!entry.valid) {
        entry.tracking = Observation::trackCache([&] { entry.tally = count(store); }, [key = &store] {
            const auto found = entries().find(key);
            if (found == entries().end())
                return;
            found->second.valid = false;
            found->second.node.notify();
        });
        entry.valid = true;
    }
    entry.node.registerRead();
    return entry.tally;
}
