#pragma once

#include "runtime/Observation.h"
#include "store/Store.h"

#include <unordered_map>

// A value derived from one store on the GUI thread, kept until something its `fill` read changes
// (or `stale` finds it out of date); the trackings that read it follow it through its node. One
// entry per live store, dropped with the store.
template <typename Value>
class StoreCache {
public:
    template <typename Fill, typename Stale>
    const Value& get(const Store& store, Fill fill, Stale stale) {
        auto [at, added] = entries_.try_emplace(&store);
        if (added)
            QObject::connect(&store, &QObject::destroyed, [this, key = &store] { entries_.erase(key); });
        Entry& entry = at->second;
        if (!entry.valid || stale(std::as_const(entry.value))) {
            Observation::cancel(entry.tracking);
            entry.tracking = Observation::trackCache([&] { fill(entry.value); },
                                                     [this, key = &store] {
                                                         const auto found = entries_.find(key);
                                                         if (found == entries_.end())
                                                             return;
                                                         found->second.valid = false;
                                                         found->second.node.notify();
                                                     });
            entry.valid = true;
        }
        entry.node.registerRead();
        return entry.value;
    }

    template <typename Fill>
    const Value& get(const Store& store, Fill fill) {
        return get(store, std::move(fill), [](const Value&) { return false; });
    }

private:
    struct Entry {
        Value value;
        bool valid = false;
        Observation::Handle tracking;
        ObservationNode node;
        ~Entry() { Observation::cancel(tracking); }
    };
    std::unordered_map<const Store*, Entry> entries_;
};
