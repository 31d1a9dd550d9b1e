#pragma once

#include "StoreHarness.h"

#include "runtime/MakeShared.h"

// Rows in a given state, set straight on a harness's store.
struct RowSpec {
    QString name;
    Status status = Status::upToDate();
    InstallPhase phase = InstallPhase::idle();
    bool appStore = false;
    QString bundleID = {};
};

inline Store::Rows makeRows(const QList<RowSpec>& specs) {
    Store::Rows rows;
    for (const auto& spec : specs) {
        InstalledApp app = StoreHarness::app(spec.name);
        app.isAppStore = spec.appStore;
        if (!spec.bundleID.isEmpty())
            app.bundleID = spec.bundleID;
        auto item = makeShared<AppItem>(app);
        item->setStatus(spec.status);
        item->setPhase(spec.phase);
        if (spec.status.kind() == Status::Kind::update)
            item->setRelease(StoreHarness::release(QStringLiteral("2.0")));
        rows.append(item);
    }
    return rows;
}

inline QStringList names(const Store::Rows& rows) {
    QStringList out;
    for (const auto& row : rows)
        out.append(row->app().name);
    return out;
}
