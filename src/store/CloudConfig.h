#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

// Which back end the account and library talk to.
struct CloudConfig {
    QString apiKey;
    QString projectId;
    QString googleClientID; // empty: Google sign-in is off
    QString authHost;       // prefix in front of the authentication service hosts
    QString firestoreHost;  // base URL of the document database's REST interface, ending in "/"
    bool emulated = false;

    bool operator==(const CloudConfig&) const = default;

    // The configuration of this process, worked out on first use from "--firebase-config" or the
    // bundle's "firebase" resource; nothing switches the account and library features off.
    static const std::optional<CloudConfig>& current();
    // Replaces what current() gives (tests only).
    static void setCurrentForTest(std::optional<CloudConfig> config);

    // Reads the file named by `option` when given (the bundle's file is then never consulted),
    // else `bundleFile`. Every failure gives nothing, and so does a file beyond maxFileSize.
    static std::optional<CloudConfig> load(const std::optional<QString>& option,
                                           const std::optional<QString>& bundleFile);
    // The configuration a file's contents describe, or nothing.
    static std::optional<CloudConfig> parse(const QByteArray& contents);

    // A configuration naming local emulators at "host:port" (the Firestore one optional).
    static CloudConfig emulator(const QString& apiKey, const QString& projectId, const QString& authEmulatorHost,
                                const QString& firestoreEmulatorHost = {});

    // The most a configuration file may hold; a few keys fit many times over.
    static constexpr qint64 maxFileSize = 16 * 1024;

    // Whether `projectId` has the form of a project id: 6 to 30 lower-case letters, digits and
    // hyphens, starting with a letter and not ending with a hyphen. It is joined into every
    // document address as it stands.
    static bool isProjectID(const QString& projectId);

    // Whether `clientID` has the form of a Google OAuth client id: the project number and a hash
    // joined by "-", then ".apps.googleusercontent.com".
    static bool isGoogleClientID(const QString& clientID);

    // The identity service's accounts call `method` ("signUp", "lookup", ...).
    QUrl identity(const QString& method) const;
    // The token service's renewal endpoint.
    QUrl tokenURL() const;
};
