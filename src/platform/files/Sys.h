#pragma once

#include "platform/files/UniqueFd.h"

#include <QByteArray>

#include <memory>

#include <dirent.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/types.h>

// The system calls file and process work makes, each retried while a signal interrupts it.
// Failures are reported as the calls report them: -1 (or an empty owner) with errno set, and
// errno survives the closing of whatever a failed call leaves behind. Paths are native bytes.
namespace Sys {

UniqueFd open(const QByteArray& path, int flags, mode_t mode = 0);
UniqueFd openat(int folder, const QByteArray& name, int flags, mode_t mode = 0);
// openat that follows no link on the way to `name` or at it (openat2 with RESOLVE_NO_SYMLINKS):
// ELOOP when there is one, ENOSYS (or EPERM from a sandbox) where the kernel lacks the call.
UniqueFd openatWithoutLinks(int folder, const QByteArray& name, int flags);
// A new file named after `pattern`, whose trailing "XXXXXX" is replaced by the name made.
UniqueFd makeTemporary(QByteArray& pattern, int flags);
// The same for a new folder, private to the user; false with errno when none could be made.
bool makeTemporaryFolder(QByteArray& pattern);
// Both ends close on exec; false with errno when they can't be made.
bool pipe(UniqueFd& read, UniqueFd& write);
bool socketPair(UniqueFd& a, UniqueFd& b);

ssize_t read(int fd, void* buffer, size_t size);
ssize_t pread(int fd, void* buffer, size_t size, off_t offset);
// Reads until `size` bytes are in or the file ends; the count read, or -1.
ssize_t readFull(int fd, void* buffer, size_t size);
// Writes all `size` bytes; false with errno on failure.
bool writeAll(int fd, const void* buffer, size_t size);
ssize_t send(int fd, const void* buffer, size_t size, int flags);
// Up to `size` bytes from `in` to `out` inside the kernel: copy_file_range, or sendfile where
// the file systems can't (across devices, or without support).
ssize_t copyRange(int in, int out, size_t size);
int fsync(int fd);

int poll(pollfd* fds, nfds_t count, int timeout);
int waitpid(pid_t pid, int* status, int options);

int stat(const QByteArray& path, struct stat& st);
int lstat(const QByteArray& path, struct stat& st);
int fstat(int fd, struct stat& st);
int fstatat(int folder, const QByteArray& name, struct stat& st, int flags);
int chmod(const QByteArray& path, mode_t mode);
int fchmod(int fd, mode_t mode);
int futimens(int fd, const timespec times[2]);
int utimensat(int folder, const QByteArray& name, const timespec times[2], int flags);
ssize_t readlink(const QByteArray& path, char* buffer, size_t size);
ssize_t readlinkat(int folder, const QByteArray& name, char* buffer, size_t size);
int symlink(const QByteArray& target, const QByteArray& path);
int symlinkat(const char* target, int folder, const QByteArray& name);
int mkdir(const QByteArray& path, mode_t mode);
int rmdir(const QByteArray& path);
int mkdirat(int folder, const QByteArray& name, mode_t mode);
int unlink(const QByteArray& path);
int unlinkat(int folder, const QByteArray& name, int flags);
// rename, or renameat2 with `flags` (RENAME_NOREPLACE, RENAME_EXCHANGE) when there are any.
int rename(const QByteArray& from, const QByteArray& to, unsigned flags = 0);

struct FolderCloser {
    void operator()(DIR* dir) const noexcept;
};
using Folder = std::unique_ptr<DIR, FolderCloser>;
// Reads the entries of the folder open at `fd`, which it takes over (and closes on failure).
Folder openFolder(UniqueFd fd);
Folder openFolder(const QByteArray& path);

} // namespace Sys
