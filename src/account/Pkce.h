#pragma once

#include <QByteArray>
#include <QString>

// The proof key of an OAuth authorization-code exchange (method S256).
namespace Pkce {

// Standard base64 with "+" as "-", "/" as "_" and no "=".
QString base64url(const QByteArray& bytes);

// `count` bytes of the system's secure random generator as base64url text. Throws when the
// generator fails: a predictable verifier or state would defeat the exchange.
QString random(int count);

// The S256 challenge of a verifier: base64url of the SHA-256 of its UTF-8 bytes.
QString challenge(const QString& verifier);

} // namespace Pkce
