#include "install/EdDSA.h"

#include "platform/files/Sys.h"
#include "runtime/FileError.h"

#include <QFile>

#include <openssl/evp.h>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isAlphabet(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '+' || u == '/';
}

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct ContextFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyFree>;

KeyPtr publicKey(const QByteArray& key) {
    if (key.size() != 32)
        return nullptr;
    return KeyPtr(EVP_PKEY_new_raw_public_key(
        EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(key.constData()), size_t(key.size())));
}

bool verify(EVP_PKEY* key, const QByteArray& signature, const unsigned char* data, size_t length) {
    std::unique_ptr<EVP_MD_CTX, ContextFree> ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key) != 1)
        return false;
    return EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.constData()),
                            size_t(signature.size()), data, length) == 1;
}

} // namespace

namespace EdDSA {

std::optional<QByteArray> decodeBase64(const QString& text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    qsizetype padding = 0;
    while (padding < 2 && padding < text.size() && text.at(text.size() - 1 - padding) == u'=')
        ++padding;
    for (qsizetype i = 0; i < text.size() - padding; ++i) {
        if (!isAlphabet(text.at(i)))
            return std::nullopt;
    }
    const auto result = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return std::nullopt;
    return result.decoded;
}

bool isPublicKey(const QByteArray& key) { return publicKey(key) != nullptr; }

bool verifyFile(const QString& file, const QByteArray& key, const QByteArray& signature) {
    const KeyPtr pkey = publicKey(key);
    if (!pkey)
        return false;
    UniqueFd fd = Sys::open(QFile::encodeName(file), O_RDONLY | O_CLOEXEC);
    if (!fd)
        throw FileError(FileError::Op::Open, file, errno);
    struct stat st;
    if (Sys::fstat(fd.get(), st) != 0)
        throw FileError(FileError::Op::Read, file, errno);
    if (st.st_size == 0)
        return verify(pkey.get(), signature, reinterpret_cast<const unsigned char*>(""), 0);
    void* map = ::mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd.get(), 0);
    const int mapError = errno;
    fd.reset(); // the mapping keeps the file
    if (map == MAP_FAILED)
        throw FileError(FileError::Op::Read, file, mapError);
    ::madvise(map, size_t(st.st_size), MADV_SEQUENTIAL);
    const bool valid = verify(pkey.get(), signature, static_cast<const unsigned char*>(map), size_t(st.st_size));
    ::munmap(map, size_t(st.st_size));
    return valid;
}

} // namespace EdDSA
