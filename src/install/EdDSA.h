#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Ed25519 signatures of downloads, checked against the raw 32-byte public key an application
// carries in its bundle.
namespace EdDSA {

// Standard Base64 read strictly: only the 64 letters of the alphabet, padded to a multiple of
// four, "=" only at the end. Nothing for anything else, white space included.
std::optional<QByteArray> decodeBase64(const QString& text);

// Whether `key` is a usable raw Ed25519 public key.
bool isPublicKey(const QByteArray& key);

// Whether `signature` is the key's signature over the whole file. The file is mapped, never
// copied into memory. Throws FileError when it can't be read; the key must pass isPublicKey.
bool verifyFile(const QString& file, const QByteArray& key, const QByteArray& signature);

} // namespace EdDSA
