#include "EdKey.h"

#include <openssl/evp.h>

EdKey::EdKey() {
    EVP_PKEY* raw = nullptr;
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
    EVP_PKEY_keygen_init(ctx);
    EVP_PKEY_keygen(ctx, &raw);
    EVP_PKEY_CTX_free(ctx);
    key.reset(raw, EVP_PKEY_free);
}

QString EdKey::publicBase64() const {
    unsigned char bytes[32];
    size_t length = sizeof bytes;
    EVP_PKEY_get_raw_public_key(key.get(), bytes, &length);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(bytes), int(length)).toBase64());
}

QString EdKey::sign(const QByteArray& data) const {
    unsigned char signature[64];
    size_t length = sizeof signature;
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    EVP_DigestSignInit(ctx, nullptr, nullptr, nullptr, key.get());
    EVP_DigestSign(ctx, signature, &length, reinterpret_cast<const unsigned char*>(data.constData()),
                   size_t(data.size()));
    EVP_MD_CTX_free(ctx);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(signature), int(length)).toBase64());
}
