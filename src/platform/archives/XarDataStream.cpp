#include "platform/archives/XarDataStream.h"

#include <zlib.h>

#include <climits>
#include <fcntl.h>

namespace {

constexpr qint64 chunk = 1 << 20;

[[noreturn]] void fail(const char* sentence) { throw XarArchive::Failure(sentence); }

// A checksum worth computing: a known style with a value to compare against.
std::optional<StreamingHash> hashFor(XarArchive::Digest style, const QByteArray& expected) {
    const auto algorithm = XarArchive::algorithm(style);
    if (!algorithm || expected.isEmpty())
        return std::nullopt;
    return StreamingHash(*algorithm);
}

} // namespace

XarDataStream::XarDataStream(const XarArchive& archive, const XarArchive::Entry& entry, qint64 limit)
    : archive_(archive), data_(entry.data.value_or(XarArchive::Data{})), limit_(std::min(limit, data_.size)) {
    if (data_.size > limit)
        fail("The package's contents are too large to install.");
    start_ = archive.heapOffset(data_.offset, data_.length);
    raw_ = data_.encoding.isEmpty() || data_.encoding == u"application/octet-stream";
    if (!raw_ && data_.encoding != u"application/x-gzip")
        fail("The package uses an encoding this system does not know.");
    archived_ = hashFor(data_.archivedStyle, data_.archivedChecksum);
    extractedIsArchived_ = raw_ && archived_ && data_.extractedStyle == data_.archivedStyle;
    if (!extractedIsArchived_)
        extracted_ = hashFor(data_.extractedStyle, data_.extractedChecksum);
    fd_ = archive.openFile();
    if (fd_)
        posix_fadvise(fd_.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    if (!raw_) {
        zlib_ = std::make_unique<z_stream>();
        if (inflateInit(zlib_.get()) != Z_OK) {
            zlib_.reset();
            fail("The package's contents can't be read.");
        }
        input_.resize(qsizetype(std::min(chunk, std::max<qint64>(data_.length, 1))));
    }
}

XarDataStream::~XarDataStream() {
    if (zlib_)
        inflateEnd(zlib_.get());
}

void XarDataStream::readStored(char* buffer, qint64 size) {
    archive_.readInto(fd_, start_ + consumed_, buffer, size);
    consumed_ += size;
    if (archived_)
        archived_->add(QByteArrayView(buffer, size));
}

void XarDataStream::deliver(const char* buffer, qint64 size) {
    produced_ += size;
    if (produced_ > limit_)
        fail("The package holds more data than it says it does.");
    if (extracted_)
        extracted_->add(QByteArrayView(buffer, size));
}

void XarDataStream::finish() {
    finished_ = true;
    if (produced_ != data_.size)
        fail("The package's contents are damaged.");
    const QByteArray archived = archived_ ? archived_->result() : QByteArray();
    if (archived_ && archived != data_.archivedChecksum)
        fail("The package's contents do not match their checksum.");
    const bool extractedChecked = extractedIsArchived_ ? !data_.extractedChecksum.isEmpty() : extracted_.has_value();
    if (extractedChecked && (extractedIsArchived_ ? archived : extracted_->result()) != data_.extractedChecksum)
        fail("The package's contents do not match their checksum.");
}

qint64 XarDataStream::read(char* buffer, qint64 size) {
    if (finished_ || size <= 0)
        return 0;
    if (raw_) {
        const qint64 n = std::min(size, data_.length - consumed_);
        if (n == 0) {
            finish();
            return 0;
        }
        readStored(buffer, n);
        deliver(buffer, n);
        return n;
    }
    z_stream& stream = *zlib_;
    for (;;) {
        if (ended_) {
            // Stored bytes after the end of the stream are no part of it.
            if (stream.avail_in > 0 || consumed_ < data_.length)
                fail("The package's contents are damaged.");
            finish();
            return 0;
        }
        if (stream.avail_in == 0) {
            const qint64 n = std::min<qint64>(input_.size(), data_.length - consumed_);
            if (n == 0)
                fail("The package's contents are damaged.");
            readStored(input_.data(), n);
            stream.next_in = reinterpret_cast<Bytef*>(input_.data());
            stream.avail_in = uInt(n);
        }
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = uInt(std::min<qint64>(size, UINT_MAX));
        const uInt room = stream.avail_out;
        const int r = inflate(&stream, Z_NO_FLUSH);
        if (r == Z_STREAM_END)
            ended_ = true;
        else if (r != Z_OK && !(r == Z_BUF_ERROR && stream.avail_in == 0))
            fail("The package's contents are damaged.");
        const qint64 got = qint64(room - stream.avail_out);
        if (got > 0) {
            deliver(buffer, got);
            return got;
        }
    }
}
