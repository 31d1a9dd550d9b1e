#pragma once

#include <QtGlobal>

#include <span>

// Bytes read by position from something that is not a plain file (a volume expanded as it is
// read, say). Blocks are handed out as the source holds them, so a reader takes them uncopied.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    virtual quint64 size() const = 0;
    // The bytes from `offset` on that lie together: at least one while `offset` is below size(),
    // none at or past it. Valid until the next call. Throws when the bytes can't be made.
    virtual std::span<const char> blockAt(quint64 offset) = 0;
};
