#pragma once

#include "model/InstalledApp.h"

#include <QCoro/QCoroTask>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

// Finds the applications installed in a set of folders and reads each bundle into an
// InstalledApp. Keeps no state; every function may run on any thread and none reports an error:
// what can't be read is left out or left empty.
namespace Scanner {

// Every application in `folders` (each folder's entries, and the entries of its sub-folders one
// level down), sorted by name in the natural order; equal names keep folder and listing order.
QList<InstalledApp> scan(const QStringList& folders);

// scan() on the scan pool, resuming the caller on the GUI thread.
QCoro::Task<QList<InstalledApp>> scanInBackground(QStringList folders);

// One bundle; nothing when its Info.plist can't be read or has no string bundle identifier.
std::optional<InstalledApp> read(const QString& url, const QString& folder);

struct Signing {
    std::optional<QString> team; // the Team ID, nothing on any failure
};

// What the code signature of the bundle or executable at `url` says, without validating it.
Signing signing(const QString& url);

// The "latest-mac.yml" address declared by the electron-updater file at `path`, or nothing.
std::optional<QUrl> electronFeed(const QString& path);

} // namespace Scanner
