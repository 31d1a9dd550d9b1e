#pragma once

#include <cerrno>
#include <unistd.h>

// Owns one file descriptor and closes it when the owner goes, so no error path has to.
// Move-only; -1 owns nothing.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const noexcept { return fd_; }
    explicit operator bool() const noexcept { return fd_ >= 0; }

    // Gives up ownership without closing.
    int release() noexcept {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes what it owns (a close error is not reported, and errno is left as it was, so an
    // error path can report the failure that made it drop the descriptor) and takes `fd`.
    void reset(int fd = -1) noexcept {
        if (fd_ >= 0) {
            const int saved = errno;
            ::close(fd_);
            errno = saved;
        }
        fd_ = fd;
    }
    // Closes now: 0, or the errno of a failed close, which after writing means the data may be
    // lost. EINTR counts as closed and is never retried: on Linux the descriptor is gone.
    int close() noexcept {
        const int fd = release();
        if (fd < 0 || ::close(fd) == 0 || errno == EINTR)
            return 0;
        return errno;
    }

private:
    int fd_ = -1;
};
