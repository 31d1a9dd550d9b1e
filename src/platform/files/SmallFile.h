#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

#include <fcntl.h>
#include <sys/types.h>

// Files read whole in the fewest calls: one open, one fstat, the reads and the close. A scan
// reads several for every bundle. Opened without waiting, so a pipe in a file's place is refused
// rather than waited on; links are followed.
namespace SmallFile {

// The bytes of the regular file `name` in the folder open at `folder` (AT_FDCWD for a path);
// nothing when it is missing, not a regular file, larger than `limit` or a read fails.
std::optional<QByteArray> read(int folder, const QByteArray& name, qint64 limit);
inline std::optional<QByteArray> read(const QString& path, qint64 limit) {
    return read(AT_FDCWD, QFile::encodeName(path), limit);
}

// Replaces the file at `path` in one step (a temporary beside it, written, synced, renamed over
// it) with one of exactly `mode`, whatever the umask. False with errno set when it failed; the
// old file is then untouched.
bool replace(const QString& path, const QByteArray& data, mode_t mode);

} // namespace SmallFile
