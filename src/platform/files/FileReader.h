#pragma once

#include "platform/files/UniqueFd.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Reads an open regular file by offset with pread, a window of 4 KiB at a time: headers that
// lie close together cost one call, and nothing far from what is asked for is read.
class FileReader {
public:
    static constexpr qint64 window = 4096;

    // Nothing unless `fd` is open on a regular file.
    static std::optional<FileReader> of(UniqueFd fd);

    qint64 size() const { return size_; }

    // Exactly `length` bytes at `offset`, valid until the next read; nothing when they do not lie
    // inside the file or the read fails.
    std::optional<QByteArrayView> read(qint64 offset, qint64 length);

private:
    FileReader(UniqueFd fd, qint64 size) : fd_(std::move(fd)), size_(size) {}

    UniqueFd fd_;
    qint64 size_ = 0;
    QByteArray buffer_; // the file's bytes from bufferStart_ on
    qint64 bufferStart_ = 0;
};
