#pragma once

#include <QString>

// What the consent sheet shows before an installer package runs with administrator rights.
struct PackageConsent {
    QString app;    // the display name
    QString signer; // the leaf certificate's name, or the Team ID when there is none
    QString team;   // the Team ID the package check returned
    bool notarized = false;
    bool sameTeam = false; // a Team ID was on record and matched
    bool checksum = false;

    bool operator==(const PackageConsent&) const = default;
};
