#include "platform/files/Sys.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/sendfile.h>
#include <sys/syscall.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Sys {

namespace {

template <typename Call>
auto retried(Call call) {
    auto result = call();
    while (result < 0 && errno == EINTR)
        result = call();
    return result;
}

} // namespace

UniqueFd open(const QByteArray& path, int flags, mode_t mode) {
    return UniqueFd(retried([&] { return ::open(path.constData(), flags, mode); }));
}

UniqueFd openat(int folder, const QByteArray& name, int flags, mode_t mode) {
    return UniqueFd(retried([&] { return ::openat(folder, name.constData(), flags, mode); }));
}

UniqueFd openatWithoutLinks(int folder, const QByteArray& name, int flags) {
    open_how how{};
    how.flags = uint64_t(flags);
    how.resolve = RESOLVE_NO_SYMLINKS;
    return UniqueFd(int(retried([&] { return ::syscall(SYS_openat2, folder, name.constData(), &how, sizeof how); })));
}

UniqueFd makeTemporary(QByteArray& pattern, int flags) {
    // Each try starts from the pattern, and a failure leaves it as it was.
    const QByteArray original = pattern;
    UniqueFd fd(retried([&] {
        pattern = original;
        return ::mkostemp(pattern.data(), flags);
    }));
    if (!fd)
        pattern = original;
    return fd;
}

bool makeTemporaryFolder(QByteArray& pattern) {
    const QByteArray original = pattern;
    for (;;) {
        pattern = original;
        if (::mkdtemp(pattern.data()))
            return true;
        if (errno != EINTR) {
            pattern = original;
            return false;
        }
    }
}

bool pipe(UniqueFd& read, UniqueFd& write) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return false;
    read.reset(ends[0]);
    write.reset(ends[1]);
    return true;
}

bool socketPair(UniqueFd& a, UniqueFd& b) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    a.reset(ends[0]);
    b.reset(ends[1]);
    return true;
}

ssize_t read(int fd, void* buffer, size_t size) {
    return retried([&] { return ::read(fd, buffer, size); });
}

ssize_t pread(int fd, void* buffer, size_t size, off_t offset) {
    return retried([&] { return ::pread(fd, buffer, size, offset); });
}

ssize_t readFull(int fd, void* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = read(fd, static_cast<char*>(buffer) + done, size - done);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += size_t(n);
    }
    return ssize_t(done);
}

bool writeAll(int fd, const void* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = retried([&] { return ::write(fd, static_cast<const char*>(buffer) + done, size - done); });
        if (n < 0)
            return false;
        done += size_t(n);
    }
    return true;
}

ssize_t send(int fd, const void* buffer, size_t size, int flags) {
    return retried([&] { return ::send(fd, buffer, size, flags); });
}

ssize_t copyRange(int in, int out, size_t size) {
    const ssize_t n = retried([&] { return ::copy_file_range(in, nullptr, out, nullptr, size, 0); });
    if (n >= 0 || (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP))
        return n;
    return retried([&] { return ::sendfile(out, in, nullptr, size); });
}

int fsync(int fd) {
    return retried([&] { return ::fsync(fd); });
}

int poll(pollfd* fds, nfds_t count, int timeout) {
    return retried([&] { return ::poll(fds, count, timeout); });
}

int waitpid(pid_t pid, int* status, int options) {
    return retried([&] { return ::waitpid(pid, status, options); });
}

int stat(const QByteArray& path, struct stat& st) {
    return retried([&] { return ::stat(path.constData(), &st); });
}

int lstat(const QByteArray& path, struct stat& st) {
    return retried([&] { return ::lstat(path.constData(), &st); });
}

int fstat(int fd, struct stat& st) {
    return retried([&] { return ::fstat(fd, &st); });
}

int fstatat(int folder, const QByteArray& name, struct stat& st, int flags) {
    return retried([&] { return ::fstatat(folder, name.constData(), &st, flags); });
}

int chmod(const QByteArray& path, mode_t mode) {
    return retried([&] { return ::chmod(path.constData(), mode); });
}

int fchmod(int fd, mode_t mode) {
    return retried([&] { return ::fchmod(fd, mode); });
}

int futimens(int fd, const timespec times[2]) {
    return retried([&] { return ::futimens(fd, times); });
}

int utimensat(int folder, const QByteArray& name, const timespec times[2], int flags) {
    return retried([&] { return ::utimensat(folder, name.constData(), times, flags); });
}

ssize_t readlink(const QByteArray& path, char* buffer, size_t size) {
    return retried([&] { return ::readlink(path.constData(), buffer, size); });
}

ssize_t readlinkat(int folder, const QByteArray& name, char* buffer, size_t size) {
    return retried([&] { return ::readlinkat(folder, name.constData(), buffer, size); });
}

int symlink(const QByteArray& target, const QByteArray& path) {
    return retried([&] { return ::symlink(target.constData(), path.constData()); });
}

int symlinkat(const char* target, int folder, const QByteArray& name) {
    return retried([&] { return ::symlinkat(target, folder, name.constData()); });
}

int mkdir(const QByteArray& path, mode_t mode) {
    return retried([&] { return ::mkdir(path.constData(), mode); });
}

int rmdir(const QByteArray& path) {
    return retried([&] { return ::rmdir(path.constData()); });
}

int mkdirat(int folder, const QByteArray& name, mode_t mode) {
    return retried([&] { return ::mkdirat(folder, name.constData(), mode); });
}

int unlink(const QByteArray& path) {
    return retried([&] { return ::unlink(path.constData()); });
}

int unlinkat(int folder, const QByteArray& name, int flags) {
    return retried([&] { return ::unlinkat(folder, name.constData(), flags); });
}

int rename(const QByteArray& from, const QByteArray& to, unsigned flags) {
    if (flags == 0)
        return retried([&] { return ::rename(from.constData(), to.constData()); });
    return retried([&] { return ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), flags); });
}

void FolderCloser::operator()(DIR* dir) const noexcept {
    const int saved = errno;
    ::closedir(dir);
    errno = saved;
}

Folder openFolder(UniqueFd fd) {
    if (!fd)
        return {}; // errno is still the failed open's
    Folder folder(::fdopendir(fd.get()));
    if (folder)
        fd.release();
    return folder;
}

Folder openFolder(const QByteArray& path) {
    Folder folder;
    do
        folder.reset(::opendir(path.constData()));
    while (!folder && errno == EINTR);
    return folder;
}

} // namespace Sys
