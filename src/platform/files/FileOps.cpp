#include "platform/files/FileOps.h"

#include "platform/files/Sys.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace {
std::atomic<FileOps*> installed{nullptr};
} // namespace

FileOps::~FileOps() = default;

int FileOps::renameExclusive(const QString& from, const QString& to) {
    return Sys::rename(QFile::encodeName(from), QFile::encodeName(to), RENAME_NOREPLACE) == 0 ? 0 : errno;
}

int FileOps::renameNoReplace(const QString& from, const QString& to) {
    if (const int error = FileOps::renameExclusive(from, to); error != EINVAL)
        return error;
    // A file system without the flag: check, then rename (a narrow race, never a silent replace
    // of something that was there before we looked).
    const QByteArray a = QFile::encodeName(from), b = QFile::encodeName(to);
    struct stat st;
    if (Sys::lstat(b, st) == 0)
        return EEXIST;
    return Sys::rename(a, b) == 0 ? 0 : errno;
}

int FileOps::exchange(const QString& a, const QString& b) {
    const QByteArray x = QFile::encodeName(a), y = QFile::encodeName(b);
    return Sys::rename(x, y, RENAME_EXCHANGE) == 0 ? 0 : errno;
}

FileOps& FileOps::shared() {
    static FileOps system;
    FileOps* ops = installed.load();
    return ops ? *ops : system;
}

void FileOps::setForTest(FileOps* ops) { installed.store(ops); }
