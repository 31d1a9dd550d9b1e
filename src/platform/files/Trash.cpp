#include "platform/files/Trash.h"

#include "platform/files/FileOps.h"
#include "platform/archives/TreeCopy.h"
#include "platform/files/RealPath.h"
#include "platform/files/Removal.h"
#include "platform/files/Sys.h"
#include "runtime/FileError.h"
#include "runtime/Log.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Trash {
namespace {

struct Place {
    QString trash;     // the trash folder, holding files/ and info/
    QString topdir;    // for Path= relative to the volume; empty for the home trash
    bool copy = false; // the home trash on another volume: copied, checked, then removed
};

bool makeFolder(const QString& path, mode_t mode) {
    if (Sys::mkdir(QFile::encodeName(path), mode) == 0)
        return true;
    struct stat st;
    return errno == EEXIST && Sys::lstat(QFile::encodeName(path), st) == 0 && S_ISDIR(st.st_mode);
}

bool makeTrash(const QString& trash) {
    return makeFolder(trash, 0700) && makeFolder(trash + QStringLiteral("/files"), 0700) &&
           makeFolder(trash + QStringLiteral("/info"), 0700);
}

// The volume a folder really lives on: a data folder that is a link to another disk counts as
// that disk.
dev_t deviceOf(const QString& path) {
    struct stat st;
    return Sys::stat(QFile::encodeName(path), st) == 0 ? st.st_dev : dev_t(-1);
}

QString homeTrash() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !data.startsWith(QLatin1Char('/')))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/Trash");
}

// The top folder of the volume `path` lives on: the highest ancestor on the same device.
QString topdirOf(const QString& path) {
    const dev_t device = deviceOf(path);
    QString top = path;
    for (;;) {
        const QString parent = QFileInfo(top).path();
        if (parent == top || deviceOf(parent) != device)
            return top;
        top = parent;
    }
}

Place placeFor(const QString& item, const QString& folder) {
    const QString home = homeTrash();
    QDir().mkpath(QFileInfo(home).path());
    if (deviceOf(QFileInfo(home).path()) == deviceOf(folder)) {
        if (!makeTrash(home))
            throw FileError(FileError::Op::Create, home, errno);
        return {home, {}};
    }
    const QString top = topdirOf(folder);
    const QString uid = QString::number(::getuid());
    // Method 1: an administrator's shared .Trash, only when it is a real, sticky folder.
    const QString shared = top + QStringLiteral("/.Trash");
    struct stat st;
    if (Sys::lstat(QFile::encodeName(shared), st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const QString mine = shared + QLatin1Char('/') + uid;
        if (makeTrash(mine))
            return {mine, top};
    }
    // Method 2: the user's own .Trash-$uid at the top of the volume.
    const QString own = top + QStringLiteral("/.Trash-") + uid;
    if (makeTrash(own))
        return {own, top};
    // No trash of its own on that volume: the home trash takes a copy, as the format allows.
    if (!makeTrash(home))
        throw FileError(FileError::Op::Move, item, EXDEV);
    return {home, {}, true};
}

// Whether the tree at `copy` holds what the tree at `original` holds: the same entries of the
// same kinds, links with the same targets, files with the same bytes.
bool sameTree(const QString& original, const QString& copy) {
    const auto same = [](const QString& a, const QString& b) {
        struct stat sa, sb;
        if (Sys::lstat(QFile::encodeName(a), sa) != 0 || Sys::lstat(QFile::encodeName(b), sb) != 0)
            return false;
        if ((sa.st_mode & S_IFMT) != (sb.st_mode & S_IFMT))
            return false;
        if (S_ISLNK(sa.st_mode)) {
            const auto target = [](const QString& link) {
                QByteArray buffer(PATH_MAX, Qt::Uninitialized);
                const ssize_t n =
                    Sys::readlinkat(AT_FDCWD, QFile::encodeName(link), buffer.data(), size_t(buffer.size()));
                return n < 0 ? QByteArray() : buffer.left(n);
            };
            return target(a) == target(b) && !target(a).isEmpty();
        }
        if (!S_ISREG(sa.st_mode))
            return true;
        if (sa.st_size != sb.st_size)
            return false;
        QFile fa(a), fb(b);
        if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
            return false;
        while (!fa.atEnd()) {
            const QByteArray block = fa.read(1 << 20);
            if (block.isEmpty() || fb.read(block.size()) != block)
                return false;
        }
        return fb.atEnd();
    };
    if (!same(original, copy))
        return false;
    const auto entries = [](const QString& root) {
        QStringList out;
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (it.fileInfo().isSymLink() || it.fileInfo().isDir() || it.fileInfo().isFile())
                out << path.mid(root.size());
        }
        out.sort();
        return out;
    };
    const QStringList names = entries(original);
    if (names != entries(copy))
        return false;
    for (const QString& name : names) {
        if (!same(original + name, copy + name))
            return false;
    }
    return true;
}

// What is left of a failed copy goes; the copy's own failure is the one reported.
void removeFailedCopy(const QString& target) noexcept {
    try {
        Removal::removeItem(target);
    } catch (const std::exception&) {
        Log::swallowed(lcPlatform(), "Removing a failed copy to the trash", std::current_exception());
    }
}

// Copies `item` to `target` on another volume and checks the copy; nothing is left on failure.
void copyAcross(const QString& item, const QString& target) {
    try {
        TreeCopy::copy(item, target);
    } catch (const TreeCopy::Failure&) {
        const int error = errno ? errno : EIO;
        removeFailedCopy(target);
        throw FileError(FileError::Op::Copy, item, error);
    }
    if (!sameTree(item, target)) {
        removeFailedCopy(target);
        throw FileError(FileError::Op::Copy, item, EIO);
    }
}

} // namespace

QString numberedName(const QString& name, int n) {
    if (n <= 1)
        return name;
    // "Example.app" -> "Example 2.app"; a leading or trailing dot is no extension.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == name.size() - 1)
        return name + QLatin1Char(' ') + QString::number(n);
    return name.left(dot) + QLatin1Char(' ') + QString::number(n) + name.mid(dot);
}

QString moveToUserTrash(const QString& itemPath) {
    const QString given = QDir::cleanPath(QFileInfo(itemPath).absoluteFilePath());
    struct stat st;
    if (Sys::lstat(QFile::encodeName(given), st) != 0)
        throw FileError(FileError::Op::Move, given, errno);
    // The volume is the one the item really lives on: a folder reached through a link to another
    // volume needs that volume's trash, or the rename fails across devices. The item itself is
    // never resolved, so a link is trashed as a link.
    const auto folder = realPath(QFileInfo(given).path());
    if (!folder)
        throw FileError(FileError::Op::Move, given, errno);
    const QString item =
        (*folder == QLatin1String("/") ? *folder : *folder + QLatin1Char('/')) + QFileInfo(given).fileName();
    const Place place = placeFor(item, *folder);

    QString original = item;
    if (!place.topdir.isEmpty())
        original = item.mid(place.topdir.size() + (place.topdir == QLatin1String("/") ? 0 : 1));
    const QByteArray info = "[Trash Info]\nPath=" + QUrl::toPercentEncoding(original, "/") + "\nDeletionDate=" +
                            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toLatin1() +
                            "\n";

    const QString name = QFileInfo(item).fileName();
    for (int n = 1;; ++n) {
        const QString candidate = numberedName(name, n);
        const QString infoPath = place.trash + QStringLiteral("/info/") + candidate + QStringLiteral(".trashinfo");
        // The info file is claimed first and exclusively: two trashing processes never collide.
        UniqueFd fd = Sys::open(QFile::encodeName(infoPath), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (!fd) {
            if (errno == EEXIST)
                continue;
            throw FileError(FileError::Op::Create, infoPath, errno);
        }
        const bool written = Sys::writeAll(fd.get(), info.constData(), size_t(info.size()));
        const int writeError = errno;
        fd.reset();
        if (!written) {
            Sys::unlink(QFile::encodeName(infoPath));
            throw FileError(FileError::Op::Write, infoPath, writeError);
        }
        const QString target = place.trash + QStringLiteral("/files/") + candidate;
        struct stat taken;
        if (place.copy && Sys::lstat(QFile::encodeName(target), taken) == 0) {
            Sys::unlink(QFile::encodeName(infoPath));
            continue;
        }
        const int error = place.copy ? EXDEV : FileOps::shared().renameNoReplace(item, target);
        if (error == 0)
            return target;
        if (error == EXDEV) {
            try {
                copyAcross(item, target);
            } catch (...) {
                Sys::unlink(QFile::encodeName(infoPath));
                throw;
            }
            // Only a checked copy lets the original go; should that fail, the copy stays trashed.
            Removal::removeItem(item);
            return target;
        }
        Sys::unlink(QFile::encodeName(infoPath));
        if (error != EEXIST)
            throw FileError(FileError::Op::Move, item, error);
    }
}

QString moveInto(const QString& item, const QString& folder) {
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        throw FileError(FileError::Op::Create, folder, errno ? errno : EACCES);
    const QString name = QFileInfo(QDir::cleanPath(item)).fileName();
    for (int n = 1;; ++n) {
        const QString target = QDir::cleanPath(folder) + QLatin1Char('/') + numberedName(name, n);
        struct stat st;
        if (Sys::lstat(QFile::encodeName(target), st) == 0)
            continue;
        const int error = FileOps::shared().renameNoReplace(item, target);
        if (error == 0)
            return target;
        if (error != EEXIST) // taken meanwhile: try the next name
            throw FileError(FileError::Op::Move, item, error);
    }
}

} // namespace Trash
