#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// The signed-in account: who the user is, the identity service's tokens and when the ID token
// must be renewed.
struct Session {
    QString uid;
    QString email;          // empty when the service gave none
    QString idToken;
    QString refreshToken;
    QDateTime expires;      // UTC; already 120 s before the server's own expiry
    QString provider;       // "password", or the identity provider of a Google sign-in
    std::optional<QString> name;
    std::optional<bool> emailVerified;

    bool operator==(const Session&) const = default;
};
