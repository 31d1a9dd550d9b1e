#include "platform/files/FolderDescent.h"

#include "platform/files/Sys.h"

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

} // namespace

FolderDescent::FolderDescent(UniqueFd root) {
    struct stat st {};
    Sys::fstat(root.get(), st);
    frames_.push_back({std::move(root), st.st_dev, st.st_ino});
}

bool FolderDescent::enter(const QByteArray& name) {
    UniqueFd fd = Sys::openat(current(), name, folderFlags);
    if (!fd)
        return false;
    struct stat st {};
    if (Sys::fstat(fd.get(), st) != 0)
        return false;
    frames_.push_back({std::move(fd), st.st_dev, st.st_ino});
    while (frames_.size() - firstOpen_ > size_t(window))
        frames_[firstOpen_++].fd.reset();
    return true;
}

bool FolderDescent::leave() {
    if (frames_.size() < 2) {
        errno = EINVAL;
        return false;
    }
    Frame& above = frames_[frames_.size() - 2];
    if (!above.fd) {
        UniqueFd fd = Sys::openat(current(), "..", folderFlags);
        if (!fd)
            return false;
        struct stat st {};
        if (Sys::fstat(fd.get(), st) != 0 || st.st_dev != above.device || st.st_ino != above.inode) {
            errno = ESTALE;
            return false;
        }
        above.fd = std::move(fd);
        firstOpen_ = frames_.size() - 2;
    }
    frames_.pop_back();
    return true;
}

bool folderNames(int fd, QList<QByteArray>& names) {
    const Sys::Folder dir = Sys::openFolder(Sys::openat(fd, ".", folderFlags));
    if (!dir)
        return false;
    names.clear();
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry)
            break;
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        names.append(QByteArray(name));
    }
    return errno == 0;
}
