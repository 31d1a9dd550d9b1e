#include "runtime/StreamingHash.h"

#include <openssl/evp.h>

#include <new>

namespace {

const EVP_MD* digest(StreamingHash::Algorithm algorithm) {
    switch (algorithm) {
    case StreamingHash::Algorithm::Md5:
        return EVP_md5();
    case StreamingHash::Algorithm::Sha1:
        return EVP_sha1();
    case StreamingHash::Algorithm::Sha256:
        return EVP_sha256();
    case StreamingHash::Algorithm::Sha384:
        return EVP_sha384();
    case StreamingHash::Algorithm::Sha512:
        return EVP_sha512();
    }
    return EVP_sha256();
}

} // namespace

void StreamingHash::Free::operator()(void* context) const { EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(context)); }

QByteArray StreamingHash::of(Algorithm algorithm, QByteArrayView data) {
    StreamingHash hash(algorithm);
    hash.add(data);
    return hash.result();
}

StreamingHash::StreamingHash(Algorithm algorithm) : context_(EVP_MD_CTX_new()) {
    // Only allocation can fail here: every algorithm is one the library always provides.
    if (!context_ || EVP_DigestInit_ex(static_cast<EVP_MD_CTX*>(context_.get()), digest(algorithm), nullptr) != 1)
        throw std::bad_alloc();
}

StreamingHash::~StreamingHash() = default;
StreamingHash::StreamingHash(StreamingHash&&) noexcept = default;
StreamingHash& StreamingHash::operator=(StreamingHash&&) noexcept = default;

void StreamingHash::add(QByteArrayView data) {
    if (context_ && !data.isEmpty())
        EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(context_.get()), data.data(), size_t(data.size()));
}

QByteArray StreamingHash::result() {
    if (!context_)
        return {};
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(static_cast<EVP_MD_CTX*>(context_.get()), out, &length);
    context_.reset();
    return QByteArray(reinterpret_cast<const char*>(out), qsizetype(length));
}
