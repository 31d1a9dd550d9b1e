#include "platform/files/Sys.h"

#include <cerrno>
#include <fcntl.h>
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

} // namespace Sys
