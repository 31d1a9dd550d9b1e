#pragma once

#include "runtime/Error.h"

// A request that failed below HTTP. The description comes from our own table and never holds
// a URL; `detail` keeps the network layer's text, redacted, for logs.
class TransportError : public Error {
public:
    enum class Kind {
        TimedOut,
        HostNotFound,
        ConnectionRefused,
        ConnectionLost,
        Secure,         // TLS handshake or certificate failure
        UnsafeRedirect, // a redirect to a less safe scheme
        TooManyRedirects,
        Unsupported, // a scheme or protocol the session does not speak
        Offline,     // no network at all
        Cancelled,   // aborted by something other than our own token (that throws Cancelled)
        Other,
    };

    explicit TransportError(Kind kind, QString detail = {});

    static QString sentence(Kind kind);

    Kind kind;
    QString detail;
};
