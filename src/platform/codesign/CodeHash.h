#pragma once

#include "runtime/StreamingHash.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The digests a code directory names by its hash type (1 SHA-1, 2 SHA-256, 3 SHA-256 cut to 20
// bytes, 4 SHA-384), fed incrementally so large files hash in constant memory.
class CodeHash {
public:
    enum Type : uint8_t { Sha1 = 1, Sha256 = 2, Sha256Truncated = 3, Sha384 = 4 };

    // Size of a digest of this type; 0 for a type we do not know.
    static int size(int type);
    static QByteArray of(int type, QByteArrayView data);

    explicit CodeHash(int type);

    bool valid() const { return hash_.has_value(); }
    void add(QByteArrayView data);
    QByteArray result();

private:
    int type_;
    std::optional<StreamingHash> hash_;
};
