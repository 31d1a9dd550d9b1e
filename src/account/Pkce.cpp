#include "account/Pkce.h"

#include "runtime/AuthError.h"
#include "runtime/StreamingHash.h"

#include <openssl/rand.h>

using namespace Qt::Literals::StringLiterals;

namespace Pkce {

QString base64url(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString random(int count) {
    QByteArray bytes(count, Qt::Uninitialized);
    if (RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), count) != 1)
        throw AuthError(u"Google sign-in didn't finish."_s);
    return base64url(bytes);
}

QString challenge(const QString& verifier) {
    return base64url(StreamingHash::of(StreamingHash::Algorithm::Sha256, verifier.toUtf8()));
}

} // namespace Pkce
