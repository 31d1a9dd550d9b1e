#include "store/Store.h"

#include "model/Prefs.h"
#include "runtime/MainThread.h"
#include "runtime/Spawn.h"

#include <QMetaObject>

void Store::ignore(const std::shared_ptr<AppItem>& item) {
    QL_ASSERT_MAIN_THREAD();
    QStringList ignored = prefs_.ignoredApps();
    if (!ignored.contains(item->app().bundleID)) {
        ignored.append(item->app().bundleID);
        prefs_.setIgnoredApps(ignored);
    }
    restatus(*item);
}

void Store::ignoreVersion(const std::shared_ptr<AppItem>& item) {
    QL_ASSERT_MAIN_THREAD();
    const auto& release = item->release();
    if (!release)
        return;
    QMap<QString, QString> skipped = prefs_.ignoredVersions();
    skipped.insert(item->app().bundleID, release->shownVersion());
    prefs_.setIgnoredVersions(skipped);
    restatus(*item);
}

void Store::unignore(const QString& bundleID) {
    QL_ASSERT_MAIN_THREAD();
    QStringList ignored = prefs_.ignoredApps();
    ignored.removeAll(bundleID);
    prefs_.setIgnoredApps(ignored);
    QMap<QString, QString> skipped = prefs_.ignoredVersions();
    skipped.remove(bundleID);
    prefs_.setIgnoredVersions(skipped);
    for (const auto& row : items_.peek()) {
        if (row->app().bundleID != bundleID)
            continue;
        if (row->attempts().isEmpty()) {
            // Never asked about while it was ignored: check it, in a task of its own that
            // starts once this call has returned.
            QMetaObject::invokeMethod(
                this, [this, row] { spawn(check(row), "check after unignoring"); }, Qt::QueuedConnection);
        } else {
            restatus(*row);
        }
    }
}
