#pragma once

#include "platform/files/UniqueFd.h"

#include <QByteArray>

#include <sys/types.h>

// The system calls file work makes, each retried while a signal interrupts it. Failures are
// reported as the calls report them: -1 (or an empty UniqueFd) with errno set.
namespace Sys {

UniqueFd open(const QByteArray& path, int flags, mode_t mode = 0);
ssize_t read(int fd, void* buffer, size_t size);
ssize_t pread(int fd, void* buffer, size_t size, off_t offset);
// Reads until `size` bytes are in or the file ends; the count read, or -1.
ssize_t readFull(int fd, void* buffer, size_t size);
// Writes all `size` bytes; false with errno on failure.
bool writeAll(int fd, const void* buffer, size_t size);

} // namespace Sys
