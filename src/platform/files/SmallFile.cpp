#include "platform/files/SmallFile.h"

#include "platform/files/Sys.h"

#include <cerrno>

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

bool replace(const QString& path, const QByteArray& data, mode_t mode) {
    const QByteArray target = QFile::encodeName(path);
    QByteArray temp = target + ".XXXXXX";
    UniqueFd fd = Sys::makeTemporary(temp, O_CLOEXEC);
    if (!fd)
        return false;
    bool ok = Sys::fchmod(fd.get(), mode) == 0 && Sys::writeAll(fd.get(), data.constData(), size_t(data.size())) &&
              Sys::fsync(fd.get()) == 0;
    ok = fd.close() == 0 && ok;
    if (ok && Sys::rename(temp, target) == 0)
        return true;
    const int error = errno;
    Sys::unlink(temp);
    errno = error;
    return false;
}

} // namespace SmallFile
