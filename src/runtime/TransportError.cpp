#include "runtime/TransportError.h"

#include "runtime/Log.h"

// The network layer's text names the full address, keys included: only its redacted form is kept.
TransportError::TransportError(Kind kind, QString detail)
    : Error(sentence(kind)), kind(kind), detail(Log::redacted(detail)) {
    if (!this->detail.isEmpty())
        qCDebug(lcRuntime).noquote() << description() << this->detail;
}

QString TransportError::sentence(Kind kind) {
    switch (kind) {
    case Kind::TimedOut:
        return QStringLiteral("The request timed out.");
    case Kind::HostNotFound:
        return QStringLiteral("A server with the specified hostname could not be found.");
    case Kind::ConnectionRefused:
        return QStringLiteral("Could not connect to the server.");
    case Kind::ConnectionLost:
        return QStringLiteral("The network connection was lost.");
    case Kind::Secure:
        return QStringLiteral("A secure connection to the server could not be made.");
    case Kind::UnsafeRedirect:
        return QStringLiteral("The server redirected to an address that is not secure.");
    case Kind::TooManyRedirects:
        return QStringLiteral("There were too many redirects.");
    case Kind::Unsupported:
        return QStringLiteral("The address uses an unsupported protocol.");
    case Kind::Offline:
        return QStringLiteral("The Internet connection appears to be offline.");
    case Kind::Cancelled:
        return QStringLiteral("The request was cancelled.");
    case Kind::Other:
        break;
    }
    return QStringLiteral("The network request failed.");
}
