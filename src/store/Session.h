#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// The signed-in account: who the user is, the identity service's tokens and when the ID token
// must be renewed.
struct Session {
    QString uid;
    QString email; // empty when the service gave none
    QString idToken;
    QString refreshToken;
    QDateTime expires; // UTC; already 120 s before the server's own expiry
    QString provider;  // "password", or the identity provider of a Google sign-in
    std::optional<QString> name;
    std::optional<bool> emailVerified;

    bool operator==(const Session&) const = default;

    // A password account whose address is known to be unconfirmed (unknown is not unconfirmed).
    bool awaitingConfirmation() const { return provider == QLatin1String("password") && emailVerified == false; }

    // The stored form: one JSON object with the six required keys and "name" and
    // "emailVerified" only when they have a value; "expires" in seconds since 2001.
    QByteArray encoded() const;
    // Nothing when a required key is missing or a key holds the wrong type.
    static std::optional<Session> decoded(const QByteArray& data);
};
