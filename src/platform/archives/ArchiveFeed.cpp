#include "platform/archives/ArchiveFeed.h"

#include <archive.h>

#include <cerrno>

ArchiveFeed::ArchiveFeed(Read read, qint64 blockSize)
    : read_(std::move(read)), block_(qsizetype(blockSize), Qt::Uninitialized) {}

int ArchiveFeed::open(archive* a) { return archive_read_open(a, this, nullptr, &ArchiveFeed::onRead, nullptr); }

void ArchiveFeed::rethrow() const {
    if (error_)
        std::rethrow_exception(error_);
}

ssize_t ArchiveFeed::onRead(archive* a, void* self, const void** block) {
    auto* feed = static_cast<ArchiveFeed*>(self);
    try {
        const qint64 n = feed->read_(feed->block_.data(), feed->block_.size());
        *block = feed->block_.constData();
        return ssize_t(n);
    } catch (...) {
        feed->error_ = std::current_exception();
        archive_set_error(a, EIO, "The stream could not be read");
        return -1;
    }
}
