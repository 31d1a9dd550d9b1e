#include "platform/files/SmallFile.h"

#include "platform/files/Sys.h"

namespace SmallFile {

std::optional<QByteArray> read(int folder, const QByteArray& name, qint64 limit) {
    const UniqueFd fd = Sys::openat(folder, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    struct stat info {};
    if (!fd || Sys::fstat(fd.get(), info) != 0 || !S_ISREG(info.st_mode) || info.st_size > limit)
        return std::nullopt;
    QByteArray bytes(qsizetype(info.st_size), Qt::Uninitialized);
    // A file that shrinks under the read is refused, as one that can't be read.
    if (Sys::readFull(fd.get(), bytes.data(), size_t(bytes.size())) != ssize_t(bytes.size()))
        return std::nullopt;
    return bytes;
}

} // namespace SmallFile
