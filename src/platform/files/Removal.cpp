#include "platform/files/Removal.h"

#include "platform/files/FolderDescent.h"
#include "platform/files/Sys.h"
#include "runtime/FileError.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Removal {
namespace {

[[noreturn]] void fail(const QString& path) { throw FileError(FileError::Op::Remove, path, errno); }

// One folder on the way down: its name in the folder above and what is left to remove in it.
struct Level {
    QByteArray name;
    QList<QByteArray> names;
    qsizetype next = 0;
};

QString pathOf(const QString& root, const QList<Level>& levels, const QByteArray& name = {}) {
    QString path = root;
    for (qsizetype i = 1; i < levels.size(); ++i)
        path += QLatin1Char('/') + QFile::decodeName(levels[i].name);
    if (!name.isEmpty())
        path += QLatin1Char('/') + QFile::decodeName(name);
    return path;
}

// Empties the folder open at `fd`, depth first without recursion, holding a bounded number of
// descriptors however deep the tree is.
void removeContents(UniqueFd fd, const QString& root) {
    FolderDescent descent(std::move(fd));
    QList<Level> levels{Level{}};
    if (!folderNames(descent.current(), levels.last().names))
        fail(root);
    while (!levels.isEmpty()) {
        Level& level = levels.last();
        if (level.next == level.names.size()) {
            if (levels.size() == 1)
                return;
            const QString path = pathOf(root, levels);
            const QByteArray name = level.name;
            if (!descent.leave())
                fail(path);
            levels.removeLast();
            if (Sys::unlinkat(descent.current(), name, AT_REMOVEDIR) != 0)
                fail(path);
            continue;
        }
        const QByteArray name = level.names[level.next++];
        struct stat st;
        if (Sys::fstatat(descent.current(), name, st, AT_SYMLINK_NOFOLLOW) != 0)
            fail(pathOf(root, levels, name));
        if (!S_ISDIR(st.st_mode)) {
            if (Sys::unlinkat(descent.current(), name, 0) != 0)
                fail(pathOf(root, levels, name));
            continue;
        }
        if (!descent.enter(name))
            fail(pathOf(root, levels, name));
        Level inner;
        inner.name = name;
        if (!folderNames(descent.current(), inner.names))
            fail(pathOf(root, levels, name));
        levels.append(std::move(inner));
    }
}

} // namespace

void removeAt(int folder, const QByteArray& name, const QString& shown) {
    struct stat st;
    if (Sys::fstatat(folder, name, st, AT_SYMLINK_NOFOLLOW) != 0)
        fail(shown);
    if (!S_ISDIR(st.st_mode)) {
        if (Sys::unlinkat(folder, name, 0) != 0)
            fail(shown);
        return;
    }
    UniqueFd fd = Sys::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (!fd)
        fail(shown);
    removeContents(std::move(fd), shown);
    if (Sys::unlinkat(folder, name, AT_REMOVEDIR) != 0)
        fail(shown);
}

void removeItem(const QString& given) {
    // "link/" would name the folder behind the link.
    QString path = given;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    removeAt(AT_FDCWD, QFile::encodeName(path), path);
}

} // namespace Removal
