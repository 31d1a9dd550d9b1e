#pragma once

#include "platform/codesign/Anchors.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <openssl/types.h>

#include <memory>

// A certificate authority made at run time in the shape of the vendor's: a root, a Developer ID
// intermediate carrying its marker extension, Developer ID Application and Installer leaves with
// the vendor's extensions as it writes them (the Developer ID marker critical, its date beside
// it, the extended key usage critical), a revoked leaf with the list that revokes it, leaves
// that expired a month ago, a leaf under an untrusted root, a ticket signer for stapled
// notarisation tickets, and timestamping authorities, one trusted and one not. Keys are P-256
// so that building it is quick, except the installer leaves' RSA keys.
class TestPki {
public:
    struct Identity {
        std::shared_ptr<X509> certificate;
        std::shared_ptr<EVP_PKEY> key;
        QList<std::shared_ptr<X509>> chain; // issuers up to and including the root
        QString commonName;
        QString team;
    };

    static const TestPki& shared();

    Identity root;
    Identity developerIdCa;
    Identity teamA;           // Developer ID Application: Alpha Software (AAAAAAAAAA)
    Identity teamB;           // Developer ID Application: Beta Labs (BBBBBBBBBB)
    Identity revoked;         // team CCCCCCCCCC, on the intermediate's revocation list
    Identity untrusted;       // team AAAAAAAAAA, under a root nobody trusts
    Identity expired;         // team DDDDDDDDDD, valid from three years ago until a month ago
    Identity unknownCritical; // team EEEEEEEEEE, with a critical extension nobody defines
    Identity ticketSigner;
    Identity timestampAuthority;          // under the trusted root
    Identity untrustedTimestampAuthority; // under the root nobody trusts
    // Developer ID Installer leaves (RSA, as package signatures are): teams A and B, and team A
    // under the root nobody trusts.
    Identity installerA; // Developer ID Installer: Alpha Software (AAAAAAAAAA)
    Identity installerB; // Developer ID Installer: Beta Labs (BBBBBBBBBB)
    Identity installerUntrusted;
    Identity installerExpired; // team DDDDDDDDDD, expired a month ago
    QByteArray revocationListPem;

    // The trust set production code should use in tests: the root and the revocation list.
    std::shared_ptr<const Anchors> anchors() const;
    // Writes the same set as files into `folder` (for tool processes: QUENLARK_ANCHORS).
    void writeAnchors(const QString& folder) const;

    static QByteArray der(const std::shared_ptr<X509>& certificate);
    static QByteArray pem(const std::shared_ptr<X509>& certificate);

private:
    TestPki();
};
