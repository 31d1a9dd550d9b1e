#pragma once

#include "platform/archives/ByteSource.h"
#include "platform/archives/UdifImage.h"
#include "platform/files/UniqueFd.h"

#include <QByteArray>
#include <QList>

#include <memory>
#include <span>

// One block table of a disk image as the bytes it expands to, decoded a chunk at a time when
// read. The buffers (stored bytes, expanded chunk, zeros) are made once and reused for every
// chunk, so a volume costs a few MiB whatever its size. Throws UdifImage::Failure.
class UdifVolume final : public ByteSource {
public:
    UdifVolume(const UdifImage& image, const UdifImage::Table& table);

    quint64 size() const override { return size_; }
    // Within a chunk, the rest of it; in a zero run or a gap between chunks, zeros.
    std::span<const char> blockAt(quint64 offset) override;

    // Up to `length` bytes from `offset`, fewer at the end.
    QByteArray read(quint64 offset, quint64 length);

    // The expanded bytes of a chunk that holds data (not a zero or ignored run); valid until the
    // next call.
    std::span<const char> decode(const UdifImage::Chunk& chunk);

private:
    // `n` bytes of the data fork at `at` (relative to the fork) into the stored-bytes buffer.
    std::span<const char> stored(quint64 at, quint64 n);
    void readStored(quint64 at, quint64 n, char* into);
    template <typename Codec>
    void expandStream(const UdifImage::Chunk& chunk, char* out, quint64 expected);
    void decodeAdc(const UdifImage::Chunk& chunk, char* out, quint64 expected);

    struct Free {
        void operator()(char* p) const;
    };
    // Grown with malloc and never cleared: only the bytes written are touched.
    struct Buffer {
        std::unique_ptr<char, Free> bytes;
        quint64 capacity = 0;
        char* atLeast(quint64 n);
    };

    UniqueFd fd_;
    quint64 forkOffset_ = 0;
    quint64 size_ = 0;
    QList<UdifImage::Chunk> chunks_; // by first sector
    Buffer in_, out_;
    std::unique_ptr<char, Free> zeros_; // calloc'd: its pages stay unmapped until read
    qsizetype decoded_ = -1;            // the chunk whose bytes out_ holds
};
