#include "library/LibraryBadges.h"

#include "library/LibraryScreenModel.h"
#include "runtime/Observation.h"
#include "store/Store.h"

#include <unordered_map>

namespace {
struct Entry {
    LibraryBadges badges;
    bool valid = false;
    Observation::Handle tracking;
    ObservationNode node;
    ~Entry() { Observation::cancel(tracking); }
};

// One set per live store, on the GUI thread.
std::unordered_map<const Store*, Entry>& entries() {
    static std::unordered_map<const Store*, Entry> map;
    return map;
}

quint64 counted = 0;

LibraryBadges count(const Store& store) {
    ++counted;
    const QString here = store.deviceID();
    LibraryBadges b;
    for (const auto& item : store.library()) {
        ++b.all;
        b.missing += LibraryScreenModel::counts(LibraryTab::missing, *item, here);
        b.removed += LibraryScreenModel::counts(LibraryTab::removed, *item, here);
        b.yours += LibraryScreenModel::counts(LibraryTab::yours, *item, here);
    }
    return b;
}
} // namespace

int LibraryBadges::operator[](LibraryTab tab) const {
    switch (tab) {
    case LibraryTab::missing: return missing;
    case LibraryTab::all: return all;
    case LibraryTab::removed: return removed;
    case LibraryTab::yours: return yours;
    }
    return 0;
}

const LibraryBadges& LibraryBadges::of(const Store& store) {
    auto [at, added] = entries().try_emplace(&store);
    if (added)
        QObject::connect(&store, &QObject::destroyed, [key = &store] { entries().erase(key); });
    Entry& entry = at->second;
    if (!entry.valid) {
        entry.tracking = Observation::trackCache([&] { entry.badges = count(store); }, [key = &store] {
            const auto found = entries().find(key);
            if (found == entries().end())
                return;
            found->second.valid = false;
            found->second.node.notify();
        });
        entry.valid = true;
    }
    entry.node.registerRead();
    return entry.badges;
}

quint64 LibraryBadges::passes() { return counted; }
