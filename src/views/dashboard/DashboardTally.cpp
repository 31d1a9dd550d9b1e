#include "views/dashboard/DashboardTally.h"

#include "runtime/MainThread.h"
#include "runtime/Observation.h"
#include "store/Store.h"

#include <unordered_map>
#include <vector>

namespace {

// What one row adds to the tally.
struct Share {
    bool appStore = false;
    Status::Kind kind = Status::Kind::checking;
    bool installable = false;
    bool blocked = false;
};

void add(DashboardTally& t, const Share& s, bool hideAppStore, int sign) {
    if (s.blocked)
        t.blocked += sign;
    if (hideAppStore && s.appStore)
        return;
    t.visible += sign;
    switch (s.kind) {
    case Status::Kind::upToDate:
        t.upToDate += sign;
        break;
    case Status::Kind::update:
        t.updates += sign;
        if (s.installable)
            t.installable += sign;
        break;
    case Status::Kind::cantVerify:
        t.cantVerify += sign;
        break;
    case Status::Kind::ignored:
        t.ignored += sign;
        break;
    case Status::Kind::checking:
        break;
    }
}

// The tally of one store, kept per row: a check result changes one row, and only that row is
// read again, so a frame with a few results costs a few rows, not every row's fields. The list
// itself (rows added or dropped, App Store rows hidden or shown) is walked again only when it
// changes.
class Tally {
public:
    explicit Tally(const Store& store) : store_(store) {}
    ~Tally() {
        Observation::cancel(list_);
        for (auto& [_, row] : rows_)
            Observation::cancel(row.tracking);
    }
    Tally(const Tally&) = delete;
    Tally& operator=(const Tally&) = delete;

    const DashboardTally& get() {
        if (listChanged_)
            recount();
        else
            for (const AppItem* item : std::exchange(dirty_, {}))
                if (const auto at = rows_.find(item); at != rows_.end()) {
                    add(tally_, at->second.share, hideAppStore_, -1);
                    read(at->second);
                    add(tally_, at->second.share, hideAppStore_, +1);
                }
        node_.registerRead();
        return tally_;
    }

private:
    struct Row {
        std::weak_ptr<AppItem> item;
        Share share;
        Observation::Handle tracking;
        bool dirty = false;
    };

    void recount() {
        Observation::cancel(list_);
        Store::Rows items;
        // The preference is read here, once: read by every row, its change would reach them all.
        list_ = Observation::trackCache(
            [&] {
                items = store_.items();
                hideAppStore_ = store_.hidesAppStore();
            },
            [this] {
                listChanged_ = true;
                node_.notify();
            });
        listChanged_ = false;
        std::unordered_map<const AppItem*, Row> kept;
        kept.reserve(static_cast<size_t>(items.size()));
        tally_ = {};
        for (const auto& item : items) {
            auto [at, added] = kept.try_emplace(item.get());
            if (!added)
                continue; // the same row listed twice is one row
            Row& row = at->second;
            const auto old = rows_.find(item.get());
            // The address alone could be a new row in a dropped one's place.
            if (old != rows_.end() && old->second.item.lock() == item && !old->second.dirty) {
                row = std::move(old->second);
                rows_.erase(old);
            } else {
                row.item = item;
                read(row);
            }
            add(tally_, row.share, hideAppStore_, +1);
        }
        for (auto& [_, row] : rows_)
            Observation::cancel(row.tracking);
        rows_ = std::move(kept);
        dirty_.clear();
    }

    void read(Row& row) {
        Observation::cancel(row.tracking);
        row.dirty = false;
        const auto item = row.item.lock();
        if (!item) {
            row.share = {};
            return;
        }
        const AppItem* key = item.get();
        row.tracking = Observation::trackCache(
            [&] {
                // A row whose update has just landed says "Updated" while its status waits to
                // be worked out again; it is counted as it reads.
                const bool landed =
                    item->phase().kind() == InstallPhase::Kind::done && item->status().kind() == Status::Kind::update;
                row.share = {.appStore = item->app().isAppStore,
                             .kind = landed ? Status::Kind::upToDate : item->status().kind(),
                             .installable = !landed && Store::installs(*item),
                             .blocked = item->phase().kind() == InstallPhase::Kind::blocked};
            },
            [this, key] {
                const auto at = rows_.find(key);
                if (at == rows_.end() || at->second.dirty)
                    return;
                at->second.dirty = true;
                dirty_.push_back(key);
                node_.notify();
            });
    }

    const Store& store_;
    DashboardTally tally_;
    Observation::Handle list_;
    bool listChanged_ = true;
    bool hideAppStore_ = false;
    std::unordered_map<const AppItem*, Row> rows_;
    std::vector<const AppItem*> dirty_;
    ObservationNode node_;
};

} // namespace

const DashboardTally& DashboardTally::of(const Store& store) {
    QL_ASSERT_MAIN_THREAD();
    static std::unordered_map<const Store*, std::unique_ptr<Tally>> tallies;
    auto [at, added] = tallies.try_emplace(&store);
    if (added) {
        at->second = std::make_unique<Tally>(store);
        QObject::connect(&store, &QObject::destroyed, [key = &store] { tallies.erase(key); });
    }
    return at->second->get();
}
