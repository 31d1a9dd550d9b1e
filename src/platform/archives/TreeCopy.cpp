#include "platform/archives/TreeCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TreeCopy {
namespace {

[[noreturn]] void fail(const QByteArray& path, int error) {
    const QString text = QFile::decodeName(path) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
    throw Failure(text.toStdString());
}

void keepTimes(const QByteArray& to, const struct stat& st) {
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, to.constData(), times, AT_SYMLINK_NOFOLLOW);
}

// Whatever is at `to` that is not a folder goes, so nothing is written through a link there.
void clearForItem(const QByteArray& to, bool wantFolder) {
    struct stat st;
    if (::lstat(to.constData(), &st) != 0)
        return;
    if (wantFolder && S_ISDIR(st.st_mode))
        return;
    if (S_ISDIR(st.st_mode)) {
        if (!QDir(QFile::decodeName(to)).removeRecursively())
            fail(to, EEXIST);
    } else if (::unlink(to.constData()) != 0) {
        fail(to, errno);
    }
}

void copyFile(const QByteArray& from, const QByteArray& to, const struct stat& st) {
    const int in = ::open(from.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0)
        fail(from, errno);
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        fail(to, e);
    }
    off_t left = st.st_size;
    while (left > 0) {
        ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size_t(left), 0);
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
            n = ::sendfile(out, in, nullptr, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int e = n < 0 ? errno : EIO;
            ::close(in);
            ::close(out);
            fail(from, e);
        }
        left -= n;
    }
    ::fchmod(out, st.st_mode & 07777);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
    ::close(in);
    if (::close(out) != 0)
        fail(to, errno);
}

void copyItem(const QByteArray& from, const QByteArray& to) {
    struct stat st;
    if (::lstat(from.constData(), &st) != 0)
        fail(from, errno);
    if (S_ISLNK(st.st_mode)) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink(from.constData(), target, sizeof target - 1);
        if (n < 0)
            fail(from, errno);
        target[n] = 0;
        clearForItem(to, false);
        if (::symlink(target, to.constData()) != 0)
            fail(to, errno);
        keepTimes(to, st);
    } else if (S_ISDIR(st.st_mode)) {
        clearForItem(to, true);
        if (::mkdir(to.constData(), 0700) != 0 && errno != EEXIST)
            fail(to, errno);
        DIR* dir = ::opendir(from.constData());
        if (!dir)
            fail(from, errno);
        QList<QByteArray> names;
        while (dirent* d = ::readdir(dir)) {
            if (std::strcmp(d->d_name, ".") != 0 && std::strcmp(d->d_name, "..") != 0)
                names.append(QByteArray(d->d_name));
        }
        ::closedir(dir);
        for (const QByteArray& name : names)
            copyItem(from + '/' + name, to + '/' + name);
        ::chmod(to.constData(), st.st_mode & 07777);
        keepTimes(to, st);
    } else if (S_ISREG(st.st_mode)) {
        clearForItem(to, false);
        copyFile(from, to, st);
    }
    // Devices, pipes and sockets are not copied.
}

} // namespace

void copy(const QString& source, const QString& destination) {
    const QByteArray from = QFile::encodeName(QDir::cleanPath(source));
    QByteArray to = QFile::encodeName(QDir::cleanPath(destination));
    struct stat st;
    if (::lstat(from.constData(), &st) != 0)
        fail(from, errno);
    if (!S_ISDIR(st.st_mode)) {
        // A single item copied onto an existing folder lands inside it.
        struct stat dst;
        if (::stat(to.constData(), &dst) == 0 && S_ISDIR(dst.st_mode))
            to += '/' + QFile::encodeName(QFileInfo(source).fileName());
    }
    const QString parent = QFileInfo(QFile::decodeName(to)).path();
    if (!QDir().mkpath(parent))
        fail(QFile::encodeName(parent), errno ? errno : EIO);
    copyItem(from, to);
}

} // namespace TreeCopy
