#pragma once

#include "platform/archives/XarArchive.h"
#include "platform/files/UniqueFd.h"
#include "runtime/StreamingHash.h"

#include <memory>
#include <optional>

struct z_stream_s;

// One entry's data decoded from a flat package's heap piece by piece, in constant memory: never
// more than its stated size or the caller's bound, and its stored and decoded checksums checked
// when the last byte has been read. A stored entry whose two checksums use one algorithm is
// hashed once, as both name the same bytes.
class XarDataStream {
public:
    // Throws XarArchive::Failure when the entry's data does not fit the heap or the bound.
    XarDataStream(const XarArchive& archive, const XarArchive::Entry& entry, qint64 limit);
    ~XarDataStream();
    XarDataStream(const XarDataStream&) = delete;
    XarDataStream& operator=(const XarDataStream&) = delete;

    // Up to `size` decoded bytes into `buffer`; 0 once everything was read and checked. Throws
    // XarArchive::Failure.
    qint64 read(char* buffer, qint64 size);

    // The decoded size the table of contents states.
    qint64 size() const { return data_.size; }

private:
    void readStored(char* buffer, qint64 size);
    void deliver(const char* buffer, qint64 size);
    void finish();

    const XarArchive& archive_;
    XarArchive::Data data_;
    qint64 limit_;
    bool raw_;
    qint64 start_ = 0; // the data's offset in the file
    UniqueFd fd_;
    qint64 consumed_ = 0; // stored bytes read
    qint64 produced_ = 0; // decoded bytes handed out
    std::optional<StreamingHash> archived_;
    std::optional<StreamingHash> extracted_;
    bool extractedIsArchived_ = false;
    std::unique_ptr<z_stream_s> zlib_;
    QByteArray input_;
    bool ended_ = false;
    bool finished_ = false;
};
