#include "platform/files/FileReader.h"

#include "platform/files/Sys.h"

#include <algorithm>

std::optional<FileReader> FileReader::of(UniqueFd fd) {
    struct stat info {};
    if (!fd || Sys::fstat(fd.get(), info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return FileReader(std::move(fd), qint64(info.st_size));
}

std::optional<QByteArrayView> FileReader::read(qint64 offset, qint64 length) {
    if (offset < 0 || length < 0 || offset > size_ || length > size_ - offset)
        return std::nullopt;
    if (offset >= bufferStart_ && length <= bufferStart_ + buffer_.size() - offset)
        return QByteArrayView(buffer_).sliced(offset - bufferStart_, length);
    const qint64 wanted = std::max(length, std::min(window, size_ - offset));
    buffer_.resize(wanted);
    qint64 done = 0;
    while (done < wanted) {
        const ssize_t n = Sys::pread(fd_.get(), buffer_.data() + done, size_t(wanted - done), off_t(offset + done));
        if (n <= 0)
            break;
        done += n;
    }
    buffer_.truncate(done);
    bufferStart_ = offset;
    if (done < length)
        return std::nullopt; // the file shrank or could not be read
    return QByteArrayView(buffer_).first(length);
}
