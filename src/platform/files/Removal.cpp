#include "platform/files/Removal.h"

#include "runtime/FileError.h"

#include <QFile>

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Removal {
namespace {

[[noreturn]] void fail(const QString& path) { throw FileError(FileError::Op::Remove, path, errno); }

// Empties the folder open at `fd` (taken over) and closes it.
void removeContents(int fd, const QString& path) {
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        fail(path);
    }
    struct Closer {
        DIR* dir;
        ~Closer() { ::closedir(dir); }
    } closer{dir};

    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0)
                fail(path);
            return;
        }
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        const QString child = path + QLatin1Char('/') + QFile::decodeName(name);
        bool isDir = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(::dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                fail(child);
            isDir = S_ISDIR(st.st_mode);
        }
        if (isDir) {
            const int sub = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0)
                fail(child);
            removeContents(sub, child);
        }
        if (::unlinkat(::dirfd(dir), name, isDir ? AT_REMOVEDIR : 0) != 0)
            fail(child);
    }
}

} // namespace

void removeItem(const QString& given) {
    // "link/" would name the folder behind the link.
    QString path = given;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    if (::lstat(native.constData(), &st) != 0)
        fail(path);
    if (!S_ISDIR(st.st_mode)) {
        if (::unlink(native.constData()) != 0)
            fail(path);
        return;
    }
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        fail(path);
    removeContents(fd, path);
    if (::rmdir(native.constData()) != 0)
        fail(path);
}

} // namespace Removal
