#pragma once

#include <QByteArray>
#include <QString>

#include <openssl/types.h>

#include <memory>

// An Ed25519 key pair made at run time: the Base64 public key an application carries and a
// signer of downloads.
struct EdKey {
    std::shared_ptr<EVP_PKEY> key;

    EdKey();
    QString publicBase64() const;
    QString sign(const QByteArray& data) const;
};
