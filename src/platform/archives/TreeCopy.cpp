#include "platform/archives/TreeCopy.h"

#include "platform/files/FolderDescent.h"
#include "platform/files/Removal.h"
#include "platform/files/Sys.h"
#include "runtime/FileError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TreeCopy {
namespace {

[[noreturn]] void fail(const QString& path, int error) {
    const QString text = path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
    throw Failure(text.toStdString());
}

// Set-id bits are never carried over, as unpacking drops them.
mode_t kept(mode_t mode) { return mode & 01777; }

// One folder of the walk: its name and the names still to copy from it.
struct Level {
    QByteArray name;
    struct stat st;
    QList<QByteArray> names;
    qsizetype next = 0;
};

QString pathOf(const QString& root, const QList<Level>& levels, const QByteArray& name) {
    QString path = root;
    for (qsizetype i = 1; i < levels.size(); ++i)
        path += QLatin1Char('/') + QFile::decodeName(levels[i].name);
    return name.isEmpty() ? path : path + QLatin1Char('/') + QFile::decodeName(name);
}

// Whatever is at `name` that is not a folder goes (a folder too unless one is wanted), so
// nothing is ever written through a link there.
void clearForItem(int folder, const QByteArray& name, bool wantFolder, const QString& shown) {
    struct stat st;
    if (Sys::fstatat(folder, name, st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return;
        fail(shown, errno);
    }
    if (wantFolder && S_ISDIR(st.st_mode))
        return;
    try {
        Removal::removeAt(folder, name, shown);
    } catch (const FileError& error) {
        fail(error.path, error.error);
    }
}

// An entry on each side: the folder open at `folder` and the name in it.
struct At {
    int folder;
    QByteArray name;
};

void copyFile(const At& fromAt, const At& toAt, const struct stat& st, const QString& from, const QString& to) {
    const UniqueFd in = Sys::openat(fromAt.folder, fromAt.name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (!in)
        fail(from, errno);
    UniqueFd out = Sys::openat(toAt.folder, toAt.name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (!out)
        fail(to, errno);
    off_t left = st.st_size;
    while (left > 0) {
        const ssize_t n = Sys::copyRange(in.get(), out.get(), size_t(left));
        if (n <= 0)
            fail(from, n < 0 ? errno : EIO);
        left -= n;
    }
    Sys::fchmod(out.get(), kept(st.st_mode));
    const timespec times[2] = {st.st_atim, st.st_mtim};
    Sys::futimens(out.get(), times);
    if (const int error = out.close())
        fail(to, error);
}

// Copies one entry, a folder without its contents.
void copyEntry(const At& fromAt, const At& toAt, const struct stat& st, const QString& from, const QString& to) {
    if (S_ISLNK(st.st_mode)) {
        char target[PATH_MAX];
        const ssize_t n = Sys::readlinkat(fromAt.folder, fromAt.name, target, sizeof target - 1);
        if (n < 0)
            fail(from, errno);
        target[n] = 0;
        clearForItem(toAt.folder, toAt.name, false, to);
        if (Sys::symlinkat(target, toAt.folder, toAt.name) != 0)
            fail(to, errno);
        const timespec times[2] = {st.st_atim, st.st_mtim};
        Sys::utimensat(toAt.folder, toAt.name, times, AT_SYMLINK_NOFOLLOW);
    } else if (S_ISDIR(st.st_mode)) {
        clearForItem(toAt.folder, toAt.name, true, to);
        if (Sys::mkdirat(toAt.folder, toAt.name, 0700) != 0 && errno != EEXIST)
            fail(to, errno);
    } else if (S_ISREG(st.st_mode)) {
        clearForItem(toAt.folder, toAt.name, false, to);
        copyFile(fromAt, toAt, st, from, to);
    }
    // Devices, pipes and sockets are not copied.
}

UniqueFd openFolder(const QString& path) {
    UniqueFd fd = Sys::open(QFile::encodeName(path), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (!fd)
        fail(path, errno);
    return fd;
}

// Copies the folder tree depth first without recursion, by descriptors on both sides.
void copyFolder(const QString& from, const QString& to, const struct stat& rootStat) {
    FolderDescent source(openFolder(from));
    FolderDescent destination(openFolder(to));
    QList<Level> levels{Level{QByteArray(), rootStat, {}, 0}};
    if (!folderNames(source.current(), levels.last().names))
        fail(from, errno);
    while (!levels.isEmpty()) {
        Level& level = levels.last();
        if (level.next == level.names.size()) {
            // Modes and times once the contents are in.
            Sys::fchmod(destination.current(), kept(level.st.st_mode));
            const timespec times[2] = {level.st.st_atim, level.st.st_mtim};
            Sys::futimens(destination.current(), times);
            if (levels.size() == 1)
                return;
            if (!source.leave())
                fail(pathOf(from, levels, {}), errno);
            if (!destination.leave())
                fail(pathOf(to, levels, {}), errno);
            levels.removeLast();
            continue;
        }
        const QByteArray name = level.names[level.next++];
        struct stat st;
        if (Sys::fstatat(source.current(), name, st, AT_SYMLINK_NOFOLLOW) != 0)
            fail(pathOf(from, levels, name), errno);
        copyEntry({source.current(), name}, {destination.current(), name}, st, pathOf(from, levels, name),
                  pathOf(to, levels, name));
        if (!S_ISDIR(st.st_mode))
            continue;
        // Owner-writable while it fills; its own mode comes when it is done.
        if (!source.enter(name))
            fail(pathOf(from, levels, name), errno);
        if (!destination.enter(name))
            fail(pathOf(to, levels, name), errno);
        Sys::fchmod(destination.current(), 0700);
        Level inner{name, st, {}, 0};
        if (!folderNames(source.current(), inner.names))
            fail(pathOf(from, levels, name), errno);
        levels.append(std::move(inner));
    }
}

} // namespace

void copy(const QString& source, const QString& destination) {
    const QString from = QDir::cleanPath(source);
    QString to = QDir::cleanPath(destination);
    struct stat st;
    if (Sys::lstat(QFile::encodeName(from), st) != 0)
        fail(from, errno);
    if (!S_ISDIR(st.st_mode)) {
        // A single item copied onto an existing folder lands inside it.
        struct stat dst;
        if (Sys::stat(QFile::encodeName(to), dst) == 0 && S_ISDIR(dst.st_mode))
            to += QLatin1Char('/') + QFileInfo(source).fileName();
    }
    const QString parent = QFileInfo(to).path();
    if (!QDir().mkpath(parent))
        fail(parent, errno ? errno : EIO);
    const UniqueFd fromFolder =
        Sys::open(QFile::encodeName(QFileInfo(from).path()), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (!fromFolder)
        fail(from, errno);
    const UniqueFd toFolder = Sys::open(QFile::encodeName(parent), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (!toFolder)
        fail(to, errno);
    copyEntry({fromFolder.get(), QFile::encodeName(QFileInfo(from).fileName())},
              {toFolder.get(), QFile::encodeName(QFileInfo(to).fileName())}, st, from, to);
    if (S_ISDIR(st.st_mode))
        copyFolder(from, to, st);
}

} // namespace TreeCopy
