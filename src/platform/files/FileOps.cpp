#include "platform/files/FileOps.h"

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

int FileOps::renameNoReplace(const QString& from, const QString& to) {
    const QByteArray a = QFile::encodeName(from), b = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL)
        return errno;
    // A file system without the flag: check, then rename (a narrow race, never a silent replace
    // of something that was there before we looked).
    struct stat st;
    if (::lstat(b.constData(), &st) == 0)
        return EEXIST;
    return ::rename(a.constData(), b.constData()) == 0 ? 0 : errno;
}

int FileOps::exchange(const QString& a, const QString& b) {
    const QByteArray x = QFile::encodeName(a), y = QFile::encodeName(b);
    return ::renameat2(AT_FDCWD, x.constData(), AT_FDCWD, y.constData(), RENAME_EXCHANGE) == 0 ? 0 : errno;
}

FileOps& FileOps::shared() {
    static FileOps system;
    FileOps* ops = installed.load();
    return ops ? *ops : system;
}

void FileOps::setForTest(FileOps* ops) {
    installed.store(ops);
}
