#pragma once

#include <QString>

// Which back end the account and library talk to.
struct CloudConfig {
    QString apiKey;
    QString projectId;
    QString googleClientID;   // empty: Google sign-in is off
    QString authHost;         // prefix in front of the authentication service hosts
    QString firestoreHost;    // base URL of the document database's REST interface, ending in "/"
    bool emulated = false;

    bool operator==(const CloudConfig&) const = default;
};
