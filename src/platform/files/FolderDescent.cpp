#include "platform/files/FolderDescent.h"

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

} // namespace

FolderDescent::FolderDescent(int root) {
    struct stat st {};
    ::fstat(root, &st);
    frames_.append({root, st.st_dev, st.st_ino});
}

FolderDescent::~FolderDescent() {
    for (const Frame& frame : frames_) {
        if (frame.fd >= 0)
            ::close(frame.fd);
    }
}

bool FolderDescent::enter(const QByteArray& name) {
    const int fd = ::openat(current(), name.constData(), folderFlags);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return false;
    }
    frames_.append({fd, st.st_dev, st.st_ino});
    while (frames_.size() - firstOpen_ > window) {
        ::close(frames_[firstOpen_].fd);
        frames_[firstOpen_].fd = -1;
        ++firstOpen_;
    }
    return true;
}

bool FolderDescent::leave() {
    if (frames_.size() < 2) {
        errno = EINVAL;
        return false;
    }
    Frame& above = frames_[frames_.size() - 2];
    if (above.fd < 0) {
        const int fd = ::openat(current(), "..", folderFlags);
        if (fd < 0)
            return false;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || st.st_dev != above.device || st.st_ino != above.inode) {
            ::close(fd);
            errno = ESTALE;
            return false;
        }
        above.fd = fd;
        firstOpen_ = frames_.size() - 2;
    }
    ::close(frames_.last().fd);
    frames_.removeLast();
    return true;
}

bool folderNames(int fd, QList<QByteArray>& names) {
    const int copy = ::openat(fd, ".", folderFlags);
    if (copy < 0)
        return false;
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        const int saved = errno;
        ::close(copy);
        errno = saved;
        return false;
    }
    names.clear();
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        names.append(QByteArray(name));
    }
    const int saved = errno;
    ::closedir(dir);
    errno = saved;
    return saved == 0;
}
