#include "platform/codesign/CodeHash.h"

namespace {

std::optional<StreamingHash::Algorithm> algorithm(int type) {
    switch (type) {
    case CodeHash::Sha1:
        return StreamingHash::Algorithm::Sha1;
    case CodeHash::Sha256:
    case CodeHash::Sha256Truncated:
        return StreamingHash::Algorithm::Sha256;
    case CodeHash::Sha384:
        return StreamingHash::Algorithm::Sha384;
    default:
        return std::nullopt;
    }
}

} // namespace

int CodeHash::size(int type) {
    switch (type) {
    case Sha1:
    case Sha256Truncated:
        return 20;
    case Sha256:
        return 32;
    case Sha384:
        return 48;
    default:
        return 0;
    }
}

QByteArray CodeHash::of(int type, QByteArrayView data) {
    CodeHash hash(type);
    hash.add(data);
    return hash.result();
}

CodeHash::CodeHash(int type) : type_(type) {
    if (const auto known = algorithm(type))
        hash_.emplace(*known);
}

void CodeHash::add(QByteArrayView data) {
    if (hash_)
        hash_->add(data);
}

QByteArray CodeHash::result() {
    if (!hash_)
        return {};
    const QByteArray digest = hash_->result().left(size(type_));
    hash_.reset();
    return digest;
}
