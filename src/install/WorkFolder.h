#pragma once

#include <QCoro/QCoroTask>
#include <QString>

// The private folder one install works in: "<tmp>/quenlark-<UUID>", readable by its owner only,
// removed on every way out of the install.
namespace WorkFolder {

// Creates a fresh work folder in the temporary directory (mode 0700) and returns its path.
// Throws FileError.
QString create();

// Deletes `folder` with everything below it, never following a link. Folders copied out of a
// disk image may keep read-only modes, so write access is given back first. Errors are ignored.
void remove(const QString& folder) noexcept;

// `remove` on the work pool: the clean-up an install awaits on its every way out.
QCoro::Task<void> cleanUp(QString folder);

} // namespace WorkFolder
