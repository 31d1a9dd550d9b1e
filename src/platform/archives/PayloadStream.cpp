#include "platform/archives/PayloadStream.h"

#include "platform/archives/ArchiveFeed.h"
#include "platform/archives/PackageInstaller.h"
#include "platform/archives/XarDataStream.h"

#include <archive.h>
#include <archive_entry.h>
#include <lzma.h>
#include <zlib.h>

#include <climits>
#include <cstring>

namespace {

constexpr qint64 inputSize = 256 * 1024;
constexpr qint64 maxPbzxChunk = qint64(256) << 20;
// A chunk may not ask for more memory than any real payload needs.
constexpr uint64_t xzMemoryLimit = uint64_t(256) << 20;

[[noreturn]] void fail(const char* sentence) { throw PackageInstaller::Failure(sentence); }

[[noreturn]] void damaged() { fail("The package's payload is damaged."); }

[[noreturn]] void notAPayload() { fail("The package's payload is in a format this system does not install."); }

bool isCpio(QByteArrayView head) {
    return head.startsWith("070707") || head.startsWith("070701") || head.startsWith("070702");
}

quint64 bigEndian64(const char* bytes) {
    quint64 value = 0;
    for (int i = 0; i < 8; ++i)
        value = (value << 8) | quint8(bytes[i]);
    return value;
}

} // namespace

// The package's stream with a small buffer in front, for the decoders' look-ahead.
class PayloadStream::Input {
public:
    explicit Input(XarDataStream& source) : source_(source), buffer_(qsizetype(inputSize), Qt::Uninitialized) {}

    // The first `n` (at most the buffer's size) bytes not yet taken, fewer at the stream's end.
    QByteArrayView peek(qint64 n) {
        if (end_ - pos_ < n) {
            std::memmove(buffer_.data(), buffer_.constData() + pos_, size_t(end_ - pos_));
            end_ -= pos_;
            pos_ = 0;
            while (end_ < n) {
                const qint64 got = source_.read(buffer_.data() + end_, buffer_.size() - end_);
                if (got == 0)
                    break;
                end_ += got;
            }
        }
        return {buffer_.constData() + pos_, std::min(n, end_ - pos_)};
    }

    // The bytes buffered, refilled when none are; empty at the end of the stream.
    QByteArrayView next() {
        if (pos_ == end_) {
            pos_ = 0;
            end_ = source_.read(buffer_.data(), buffer_.size());
        }
        return {buffer_.constData() + pos_, end_ - pos_};
    }

    void consume(qint64 n) { pos_ += n; }

    // Up to `size` bytes into `out`: buffered ones first, else straight from the stream.
    qint64 read(char* out, qint64 size) {
        if (pos_ == end_)
            return source_.read(out, size);
        const qint64 n = std::min(size, end_ - pos_);
        std::memcpy(out, buffer_.constData() + pos_, size_t(n));
        pos_ += n;
        return n;
    }

private:
    XarDataStream& source_;
    QByteArray buffer_;
    qint64 pos_ = 0;
    qint64 end_ = 0;
};

class PayloadStream::Decoder {
public:
    virtual ~Decoder() = default;
    virtual qint64 read(char* buffer, qint64 size) = 0;
};

namespace {

using Input = PayloadStream::Input;
using Decoder = PayloadStream::Decoder;

class Plain : public Decoder {
public:
    explicit Plain(Input& in) : in_(in) {}
    qint64 read(char* buffer, qint64 size) override { return in_.read(buffer, size); }

private:
    Input& in_;
};

// gzip, one member or several one after the other.
class Gzip : public Decoder {
public:
    explicit Gzip(Input& in) : in_(in) {
        if (inflateInit2(&stream_, 16 + MAX_WBITS) != Z_OK)
            damaged();
    }
    ~Gzip() override { inflateEnd(&stream_); }

    qint64 read(char* buffer, qint64 size) override {
        for (;;) {
            const QByteArrayView input = in_.next();
            if (input.isEmpty()) {
                if (!memberEnded_)
                    damaged();
                return 0;
            }
            if (memberEnded_) { // another member follows
                inflateReset(&stream_);
                memberEnded_ = false;
            }
            stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
            stream_.avail_in = uInt(input.size());
            stream_.next_out = reinterpret_cast<Bytef*>(buffer);
            stream_.avail_out = uInt(std::min<qint64>(size, UINT_MAX));
            const uInt room = stream_.avail_out;
            const int r = inflate(&stream_, Z_NO_FLUSH);
            in_.consume(input.size() - qint64(stream_.avail_in));
            if (r == Z_STREAM_END)
                memberEnded_ = true;
            else if (r != Z_OK)
                damaged();
            if (const qint64 got = qint64(room - stream_.avail_out))
                return got;
        }
    }

private:
    Input& in_;
    z_stream stream_{};
    bool memberEnded_ = false;
};

// pbzx: a chunk size, then chunks of (decoded size, stored size, bytes), each xz or stored.
class Pbzx : public Decoder {
public:
    explicit Pbzx(Input& in) : in_(in) {
        if (in_.peek(12).size() != 12)
            damaged();
        in_.consume(12);
    }
    ~Pbzx() override { lzma_end(&xz_); }

    qint64 read(char* buffer, qint64 size) override {
        for (;;) {
            if (!inChunk_ && !nextChunk())
                return 0;
            const qint64 got = xzChunk_ ? decoded(buffer, size) : stored(buffer, size);
            if (got > 0)
                return got;
        }
    }

private:
    bool nextChunk() {
        const QByteArrayView head = in_.peek(16);
        if (head.isEmpty())
            return false;
        if (head.size() != 16)
            damaged();
        decodedLeft_ = bigEndian64(head.data());
        storedLeft_ = bigEndian64(head.data() + 8);
        in_.consume(16);
        if (decodedLeft_ > quint64(maxPbzxChunk) || storedLeft_ > quint64(maxPbzxChunk))
            damaged();
        xzChunk_ = storedLeft_ >= 6 && in_.peek(6).startsWith("\xFD"
                                                              "7zXZ");
        if (!xzChunk_ && storedLeft_ != decodedLeft_)
            damaged();
        if (xzChunk_) {
            lzma_end(&xz_);
            xz_ = LZMA_STREAM_INIT;
            if (lzma_stream_decoder(&xz_, xzMemoryLimit, LZMA_CONCATENATED) != LZMA_OK)
                damaged();
        }
        inChunk_ = true;
        return true;
    }

    qint64 stored(char* buffer, qint64 size) {
        if (storedLeft_ == 0) {
            inChunk_ = false;
            return 0;
        }
        const qint64 got = in_.read(buffer, qint64(std::min<quint64>(quint64(size), storedLeft_)));
        if (got == 0)
            damaged();
        storedLeft_ -= quint64(got);
        return got;
    }

    qint64 decoded(char* buffer, qint64 size) {
        QByteArrayView input;
        if (storedLeft_ > 0) {
            input = in_.next();
            if (input.isEmpty())
                damaged();
            input = input.first(qsizetype(std::min<quint64>(quint64(input.size()), storedLeft_)));
        }
        const bool last = quint64(input.size()) == storedLeft_;
        xz_.next_in = reinterpret_cast<const uint8_t*>(input.data());
        xz_.avail_in = size_t(input.size());
        xz_.next_out = reinterpret_cast<uint8_t*>(buffer);
        xz_.avail_out = size_t(size);
        const lzma_ret r = lzma_code(&xz_, last ? LZMA_FINISH : LZMA_RUN);
        const qint64 used = input.size() - qint64(xz_.avail_in);
        in_.consume(used);
        storedLeft_ -= quint64(used);
        const qint64 got = size - qint64(xz_.avail_out);
        if (quint64(got) > decodedLeft_ || (r != LZMA_OK && r != LZMA_STREAM_END))
            damaged();
        decodedLeft_ -= quint64(got);
        if (r == LZMA_STREAM_END) {
            if (storedLeft_ != 0 || decodedLeft_ != 0)
                damaged();
            inChunk_ = false;
        } else if (got == 0 && used == 0) {
            damaged(); // no progress: the chunk ends inside its stream
        }
        return got;
    }

    Input& in_;
    lzma_stream xz_ = LZMA_STREAM_INIT;
    bool inChunk_ = false;
    bool xzChunk_ = false;
    quint64 decodedLeft_ = 0;
    quint64 storedLeft_ = 0;
};

// bzip2 and xz streams, decoded by libarchive as one raw stream.
class Filtered : public Decoder {
public:
    explicit Filtered(Input& in)
        : feed_([&in](char* buffer, qint64 size) { return in.read(buffer, size); }, inputSize) {
        archive_read_support_filter_bzip2(reader_);
        archive_read_support_filter_xz(reader_);
        archive_read_support_format_raw(reader_);
        archive_entry* entry = nullptr;
        if (feed_.open(reader_) != ARCHIVE_OK || archive_read_next_header(reader_, &entry) != ARCHIVE_OK) {
            feed_.rethrow();
            damaged();
        }
    }
    ~Filtered() override { archive_read_free(reader_); }

    qint64 read(char* buffer, qint64 size) override {
        const la_ssize_t n = archive_read_data(reader_, buffer, size_t(size));
        if (n < 0) {
            feed_.rethrow();
            damaged();
        }
        return qint64(n);
    }

private:
    archive* reader_ = archive_read_new();
    ArchiveFeed feed_;
};

} // namespace

PayloadStream::PayloadStream(XarDataStream& source, const ExpansionLimit& limits)
    : input_(std::make_unique<Input>(source)), budget_{limits, source.size()} {
    // A payload is a cpio archive, plain or under one compression; whatever else a stream holds
    // is refused, so the bound on the decoded bytes is a bound on what is unpacked.
    const QByteArrayView magic = input_->peek(6);
    if (magic.startsWith("\x1f\x8b"))
        decoder_ = std::make_unique<Gzip>(*input_);
    else if (magic.startsWith("pbzx"))
        decoder_ = std::make_unique<Pbzx>(*input_);
    else if (magic.startsWith("BZh") || magic.startsWith("\xFD"
                                                         "7zXZ"))
        decoder_ = std::make_unique<Filtered>(*input_);
    else if (isCpio(magic))
        decoder_ = std::make_unique<Plain>(*input_);
    else
        notAPayload();
}

PayloadStream::~PayloadStream() = default;

qint64 PayloadStream::read(char* buffer, qint64 size) {
    qint64 got = decoder_->read(buffer, size);
    if (!started_) {
        // What the payload really holds under its compression.
        started_ = true;
        while (got > 0 && got < 6) {
            const qint64 more = decoder_->read(buffer + got, size - got);
            if (more == 0)
                break;
            got += more;
        }
        if (!isCpio(QByteArrayView(buffer, got)))
            notAPayload();
    }
    if (!budget_.take(got))
        fail("The package's payload expands to far more than it holds. Refusing to install it.");
    return got;
}

void PayloadStream::drain() {
    QByteArray rest(qsizetype(inputSize), Qt::Uninitialized);
    while (read(rest.data(), rest.size()) > 0) {}
}
