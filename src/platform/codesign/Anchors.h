#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <openssl/types.h>

#include <ctime>
#include <memory>
#include <optional>

// The certificates code signatures chain to: trusted roots, the vendor's intermediates (offered
// to chain building, never trusted by themselves) and the revocation lists at hand. The
// application ships the vendor's public certificates; tests configure a PKI of their own.
class Anchors {
public:
    using Certificate = std::shared_ptr<X509>;
    using RevocationList = std::shared_ptr<X509_CRL>;

    QList<Certificate> roots;
    QList<Certificate> intermediates;
    QList<RevocationList> revocationLists;

    // Adds the certificates (PEM, one or many, or one DER) and lists (PEM or DER) in `bytes`:
    // self-signed certificates become roots, the others intermediates. False when nothing reads.
    bool add(const QByteArray& bytes);
    // Every ".pem", ".cer", ".crt", ".der" and ".crl" file of a folder.
    static Anchors fromDirectory(const QString& folder);

    // The set in force: the one set for tests, else the folder named by QUENLARK_ANCHORS, else
    // the "anchors" folder of the running bundle's Resources. An empty set trusts nothing.
    static std::shared_ptr<const Anchors> configured();
    static void setConfigured(std::shared_ptr<const Anchors> anchors);

    static Certificate certificateFrom(const QByteArray& der);

    struct Verified {
        int error = 0;            // X509_V_OK (0) when the chain reaches a root
        QList<Certificate> chain; // leaf first, root last; empty on failure
    };
    // Builds and checks the chain of `leaf` to these roots, offered the `others` a signature
    // carried and the vendor's intermediates. The revocation lists at hand are consulted; an
    // issuer without a list is no failure, and an outdated list still proves what it names.
    // The vendor's code-signing marker extensions count as understood even when critical; any
    // other critical extension OpenSSL does not know refuses the certificate. A chain that has
    // expired since is still good when `stampedAt`, a trusted timestamp, lies inside the
    // leaf's validity: it is then judged as of that moment.
    Verified verify(X509* leaf, const QList<X509*>& others, std::optional<std::time_t> stampedAt = std::nullopt) const;
    // The chain the certificates form up to a root, whatever the time and the revocation lists
    // say: who signed, not whether that still holds.
    QList<Certificate> chainOf(X509* leaf, const QList<X509*>& others) const;

    // Whether `oid` (dotted) is one of the vendor's code-signing marker extensions.
    static bool isVendorMarker(const QByteArray& oid);
};
