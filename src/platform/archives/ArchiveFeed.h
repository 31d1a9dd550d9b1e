#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <exception>
#include <functional>

#include <sys/types.h>

struct archive;

// Feeds libarchive from a function that pulls bytes, so a stream decoded on the fly is read
// without a temporary file. What the function throws can't cross the C library: it is kept,
// libarchive sees a failed read, and the caller rethrows it once libarchive gives up.
class ArchiveFeed {
public:
    // Fills `buffer` with up to `size` bytes; the count, 0 at the end of the stream.
    using Read = std::function<qint64(char* buffer, qint64 size)>;

    ArchiveFeed(Read read, qint64 blockSize);

    // archive_read_open on this feed; libarchive's status. The feed must outlive the reading.
    int open(archive* a);
    // Rethrows what the function threw, when it threw.
    void rethrow() const;

private:
    static ssize_t onRead(archive* a, void* self, const void** block);

    Read read_;
    QByteArray block_;
    std::exception_ptr error_;
};
