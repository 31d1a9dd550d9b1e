#include "platform/codesign/CodeHash.h"

#include <openssl/evp.h>

namespace {

const EVP_MD* algorithm(int type) {
    switch (type) {
    case CodeHash::Sha1:
        return EVP_sha1();
    case CodeHash::Sha256:
    case CodeHash::Sha256Truncated:
        return EVP_sha256();
    case CodeHash::Sha384:
        return EVP_sha384();
    default:
        return nullptr;
    }
}

} // namespace

void CodeHash::Free::operator()(void* ctx) const {
    EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(ctx));
}

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
    const EVP_MD* md = algorithm(type);
    if (!md)
        return;
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    if (ctx && EVP_DigestInit_ex(ctx, md, nullptr) == 1)
        ctx_.reset(ctx);
    else
        EVP_MD_CTX_free(ctx);
}

CodeHash::~CodeHash() = default;

void CodeHash::add(QByteArrayView data) {
    if (ctx_ && !data.isEmpty())
        EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(ctx_.get()), data.data(), size_t(data.size()));
}

QByteArray CodeHash::result() {
    if (!ctx_)
        return {};
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(static_cast<EVP_MD_CTX*>(ctx_.get()), out, &length);
    ctx_.reset();
    return QByteArray(reinterpret_cast<const char*>(out), int(std::min<unsigned>(length, unsigned(size(type_)))));
}
