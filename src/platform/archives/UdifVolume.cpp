#include "platform/archives/UdifVolume.h"

#include "platform/files/Sys.h"

#include <QFile>

#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>

namespace {

constexpr quint64 sectorSize = 512;
// Stored bytes are read in pieces of this size; zero runs are handed out in blocks of it.
constexpr quint64 pieceSize = 1 << 20;
// More than any real xz or lzma stream needs (xz -9 takes 65 MiB); a header asking for more is hostile.
constexpr quint64 xzMemoryLimit = 128 << 20;

[[noreturn]] void fail(const char* reason) { throw UdifImage::Failure(reason); }

[[noreturn]] void corrupt() { fail("corrupt image data"); }

quint64 byteStart(const UdifImage::Chunk& c) { return c.sector * sectorSize; }
quint64 byteEnd(const UdifImage::Chunk& c) { return (c.sector + c.sectorCount) * sectorSize; }
bool holdsData(const UdifImage::Chunk& c) { return c.type != UdifImage::Zero && c.type != UdifImage::Ignore; }

} // namespace

void UdifVolume::Free::operator()(char* p) const { std::free(p); }

char* UdifVolume::Buffer::atLeast(quint64 n) {
    if (n > capacity) {
        bytes.reset(static_cast<char*>(std::malloc(std::max<quint64>(n, 1))));
        if (!bytes)
            throw std::bad_alloc();
        capacity = n;
    }
    return bytes.get();
}

UdifVolume::UdifVolume(const UdifImage& image, const UdifImage::Table& table)
    : fd_(Sys::open(QFile::encodeName(image.path()), O_RDONLY | O_CLOEXEC)), forkOffset_(image.dataForkOffset()),
      size_(UdifImage::expandedBytes(table)), zeros_(static_cast<char*>(std::calloc(pieceSize, 1))) {
    if (!fd_)
        fail("No such file or directory");
    if (!zeros_)
        throw std::bad_alloc();
    for (const UdifImage::Chunk& c : table.chunks) {
        if (c.sectorCount > 0)
            chunks_.append(c);
    }
    // No real table has overlapping chunks; in a forged one each byte reads from the chunk that
    // starts last at or before it (of two that start together, the later in the table).
    std::stable_sort(chunks_.begin(), chunks_.end(),
                     [](const UdifImage::Chunk& a, const UdifImage::Chunk& b) { return a.sector < b.sector; });
}

std::span<const char> UdifVolume::blockAt(quint64 offset) {
    if (offset >= size_)
        return {};
    // The last chunk that starts at or before `offset`.
    const auto next = std::upper_bound(chunks_.cbegin(), chunks_.cend(), offset,
                                       [](quint64 at, const UdifImage::Chunk& c) { return at < byteStart(c); });
    const quint64 nextStart = next == chunks_.cend() ? size_ : byteStart(*next);
    if (next != chunks_.cbegin()) {
        const qsizetype index = next - chunks_.cbegin() - 1;
        const UdifImage::Chunk& c = chunks_[index];
        if (offset < byteEnd(c) && holdsData(c)) {
            std::span<const char> bytes;
            if (decoded_ == index) {
                bytes = {out_.bytes.get(), size_t(byteEnd(c) - byteStart(c))};
            } else {
                bytes = decode(c);
                decoded_ = index;
            }
            const quint64 end = std::min(byteEnd(c), nextStart);
            return bytes.subspan(size_t(offset - byteStart(c)), size_t(end - offset));
        }
    }
    // A zero run, or a gap no chunk covers: both read as zeros.
    return {zeros_.get(), size_t(std::min(nextStart - offset, pieceSize))};
}

QByteArray UdifVolume::read(quint64 offset, quint64 length) {
    QByteArray bytes;
    while (quint64(bytes.size()) < length) {
        const std::span<const char> block = blockAt(offset);
        if (block.empty())
            break;
        const quint64 n = std::min<quint64>(block.size(), length - quint64(bytes.size()));
        bytes.append(block.data(), qsizetype(n));
        offset += n;
    }
    return bytes;
}

namespace {

// The streaming codecs, each over its library's stream: `feed` hands it stored bytes, `step`
// decodes (true at the stream's end, throws on corrupt data), `output` is what came out.
struct Zlib {
    z_stream z{};
    Zlib(char* out, quint64 room) {
        if (inflateInit(&z) != Z_OK)
            throw std::bad_alloc();
        z.next_out = reinterpret_cast<Bytef*>(out);
        z.avail_out = uInt(room);
    }
    ~Zlib() { inflateEnd(&z); }
    bool hungry() const { return z.avail_in == 0; }
    bool full() const { return z.avail_out == 0; }
    void feed(std::span<const char> in) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        z.avail_in = uInt(in.size());
    }
    bool step() {
        const int r = inflate(&z, Z_NO_FLUSH);
        if (r != Z_OK && r != Z_STREAM_END)
            corrupt();
        return r == Z_STREAM_END;
    }
    quint64 output() const { return z.total_out; }
};

struct Bzip2 {
    bz_stream s{};
    Bzip2(char* out, quint64 room) {
        if (BZ2_bzDecompressInit(&s, 0, 0) != BZ_OK)
            throw std::bad_alloc();
        s.next_out = out;
        s.avail_out = unsigned(room);
    }
    ~Bzip2() { BZ2_bzDecompressEnd(&s); }
    bool hungry() const { return s.avail_in == 0; }
    bool full() const { return s.avail_out == 0; }
    void feed(std::span<const char> in) {
        s.next_in = const_cast<char*>(in.data());
        s.avail_in = unsigned(in.size());
    }
    bool step() {
        const int r = BZ2_bzDecompress(&s);
        if (r != BZ_OK && r != BZ_STREAM_END)
            corrupt();
        return r == BZ_STREAM_END;
    }
    quint64 output() const { return quint64(s.total_out_hi32) << 32 | s.total_out_lo32; }
};

// Both the xz container and the older bare lzma one.
struct Xz {
    lzma_stream s = LZMA_STREAM_INIT;
    Xz(char* out, quint64 room) {
        if (lzma_auto_decoder(&s, xzMemoryLimit, 0) != LZMA_OK)
            throw std::bad_alloc();
        s.next_out = reinterpret_cast<uint8_t*>(out);
        s.avail_out = size_t(room);
    }
    ~Xz() { lzma_end(&s); }
    bool hungry() const { return s.avail_in == 0; }
    bool full() const { return s.avail_out == 0; }
    void feed(std::span<const char> in) {
        s.next_in = reinterpret_cast<const uint8_t*>(in.data());
        s.avail_in = in.size();
    }
    bool step() {
        const lzma_ret r = lzma_code(&s, LZMA_RUN);
        if (r != LZMA_OK && r != LZMA_STREAM_END)
            corrupt();
        return r == LZMA_STREAM_END;
    }
    quint64 output() const { return s.total_out; }
};

} // namespace

// Stored bytes go in a piece at a time; the output has room for one byte more than expected, so
// that a stream that runs on is seen. Exactly `expected` bytes must come out before the stored
// bytes or the stream end.
template <typename Codec>
void UdifVolume::expandStream(const UdifImage::Chunk& chunk, char* out, quint64 expected) {
    Codec codec(out, expected + 1);
    quint64 at = 0;
    for (bool ended = false; !ended && !codec.full();) {
        if (codec.hungry()) {
            if (at == chunk.length)
                break;
            const std::span<const char> piece = stored(chunk.offset + at, std::min(chunk.length - at, pieceSize));
            at += piece.size();
            codec.feed(piece);
        }
        ended = codec.step();
    }
    if (codec.output() != expected)
        corrupt();
}

std::span<const char> UdifVolume::decode(const UdifImage::Chunk& chunk) {
    decoded_ = -1;
    const quint64 expected = chunk.sectorCount * sectorSize;
    // One byte more than expected, so that a stream that runs on is seen.
    char* out = out_.atLeast(expected + 1);
    switch (chunk.type) {
    case UdifImage::Raw:
        if (chunk.length != expected)
            corrupt();
        readStored(chunk.offset, expected, out);
        break;
    case UdifImage::Zlib:
        expandStream<Zlib>(chunk, out, expected);
        break;
    case UdifImage::Bzip2:
        expandStream<Bzip2>(chunk, out, expected);
        break;
    case UdifImage::Lzma:
        expandStream<Xz>(chunk, out, expected);
        break;
    case UdifImage::Adc:
        decodeAdc(chunk, out, expected);
        break;
    case UdifImage::Lzfse:
        fail("LZFSE-compressed images can't be read on this system");
    default:
        fail("unknown compression in image");
    }
    return {out, size_t(expected)};
}

std::span<const char> UdifVolume::stored(quint64 at, quint64 n) {
    char* buffer = in_.atLeast(n);
    readStored(at, n, buffer);
    return {buffer, size_t(n)};
}

void UdifVolume::readStored(quint64 at, quint64 n, char* into) {
    for (quint64 done = 0; done < n;) {
        const ssize_t got = Sys::pread(fd_.get(), into + done, size_t(n - done), off_t(forkOffset_ + at + done));
        if (got <= 0)
            fail("image not recognized"); // the file shrank since it was opened
        done += quint64(got);
    }
}

// Apple Data Compression: literal runs and back references into the output.
void UdifVolume::decodeAdc(const UdifImage::Chunk& chunk, char* out, quint64 expected) {
    // Every stored byte yields at least 128/129 of a byte, so no valid stream for `expected`
    // bytes is longer than this; what lies beyond is never read.
    const quint64 length = std::min(chunk.length, 2 * expected + 16);
    const std::span<const char> in = stored(chunk.offset, length);
    const auto* p = reinterpret_cast<const quint8*>(in.data());
    const quint64 n = length;
    quint64 i = 0, produced = 0;
    while (i < n && produced < expected) {
        const quint8 b = p[i];
        quint64 count = 0, distance = 0;
        if (b & 0x80) {
            count = (b & 0x7F) + 1;
            if (i + 1 + count > n || produced + count > expected)
                corrupt();
            std::memcpy(out + produced, p + i + 1, size_t(count));
            produced += count;
            i += 1 + count;
            continue;
        }
        if (b & 0x40) {
            if (i + 2 >= n)
                corrupt();
            count = (b & 0x3F) + 4;
            distance = (quint64(p[i + 1]) << 8 | p[i + 2]) + 1;
            i += 3;
        } else {
            if (i + 1 >= n)
                corrupt();
            count = ((b & 0x3F) >> 2) + 3;
            distance = (quint64(b & 0x03) << 8 | p[i + 1]) + 1;
            i += 2;
        }
        if (distance > produced || produced + count > expected)
            corrupt();
        // Byte by byte: a reference may overlap what it writes.
        for (quint64 k = 0; k < count; ++k, ++produced)
            out[produced] = out[produced - distance];
    }
    if (produced != expected)
        corrupt();
}
