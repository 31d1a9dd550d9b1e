#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>

// A message digest fed in pieces through OpenSSL, the one way the program hashes: downloads and
// package payloads of hundreds of megabytes hash in constant memory at the speed of the
// library's assembly, several times faster than Qt's portable code for SHA-256.
class StreamingHash {
public:
    enum class Algorithm { Md5, Sha1, Sha256, Sha384, Sha512 };

    static QByteArray of(Algorithm algorithm, QByteArrayView data);

    explicit StreamingHash(Algorithm algorithm);
    ~StreamingHash();
    StreamingHash(StreamingHash&&) noexcept;
    StreamingHash& operator=(StreamingHash&&) noexcept;

    void add(QByteArrayView data);
    // The raw digest of everything added; the hash is spent afterwards.
    QByteArray result();

private:
    struct Free {
        void operator()(void* context) const;
    };
    std::unique_ptr<void, Free> context_;
};
