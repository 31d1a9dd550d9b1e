#include "library/LibraryBadges.h"

#include "library/LibraryScreenModel.h"
#include "store/StoreCache.h"

namespace {

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
    case LibraryTab::missing:
        return missing;
    case LibraryTab::all:
        return all;
    case LibraryTab::removed:
        return removed;
    case LibraryTab::yours:
        return yours;
    }
    return 0;
}

const LibraryBadges& LibraryBadges::of(const Store& store) {
    static StoreCache<LibraryBadges> cache;
    return cache.get(store, [&](LibraryBadges& badges) { badges = count(store); });
}

quint64 LibraryBadges::passes() { return counted; }
