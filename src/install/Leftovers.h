#pragma once

#include "install/Leftover.h"
#include "model/InstalledApp.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The search for what an application left in the user's Library: support folders, caches,
// preferences, containers, saved state, cookies, logs, launch agents. Items that may be shared
// with another application are marked ambiguous; nothing that leads out of the Library is kept.
namespace Leftovers {

// The verdict on one entry of a prefix-scanned folder.
enum class Match { add, ambiguous, skip };

// Vendor names whose folders several products share: such an application gets no name-based
// candidates.
extern const QSet<QString> sharedVendors;
// Editions and channels of a product: a file carrying one may belong to a sibling edition.
extern const QSet<QString> productSuffixes;
// Words that mark a launch agent as the application's own.
extern const QStringList helperWords;

// The leftovers of `app` in `library`, sorted by path. `caskZap` is the zap list of the
// application's cask (each entry beginning with "~/Library/"); `installed` holds the bundle
// identifiers of every listed application, its own included. Never fails; blocks on the file
// system, so it never runs on the GUI thread.
QList<Leftover> find(const InstalledApp& app, const QString& library, const QStringList& caskZap,
                     const QSet<QString>& installed);

// `find` on the scan pool, resuming the caller on the GUI thread.
QCoro::Task<QList<Leftover>> search(InstalledApp app, QString library, QStringList caskZap, QSet<QString> installed);

// Classifies the file `entry` of the folder `dir` ("Preferences/ByHost" or "LaunchAgents") for
// the bundle identifier `id`; `installed` holds the other applications' identifiers.
Match prefixed(const QString& entry, const QString& id, const QString& dir, const QSet<QString>& installed);

// Allocated bytes of a file, or of everything below a folder; 0 when nothing can be read.
qint64 size(const QString& path);

} // namespace Leftovers
