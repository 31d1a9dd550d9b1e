#pragma once

#include "platform/codesign/Anchors.h"
#include "platform/archives/XarArchive.h"

#include <QList>
#include <QString>

#include <openssl/types.h>

// Who signed a flat package and whether the vendor's chain vouches for it: the table of
// contents' checksum, the RSA signature over it, the certificates chained to the anchors with
// the revocation lists at hand, and a stapled ticket naming the checksum.
namespace PackageSignature {

enum class Verdict {
    Unsigned,
    Invalid,   // checksum or signature does not verify
    Untrusted, // no chain to a trusted root, or a revoked certificate
    Expired,
    DeveloperId, // a Developer ID Installer leaf under the Developer ID intermediate
    Trusted,     // another certificate the anchors vouch for
};

struct Result {
    Verdict verdict = Verdict::Unsigned;
    QList<Anchors::Certificate> chain; // the chain built, leaf first; else the archive's list
    bool notarized = false;            // a genuine stapled ticket names this package
};

Result check(const XarArchive& archive, const Anchors& anchors);

// A certificate's common name fit for a one-line report: control characters become "?", so a
// name can never add a line of its own to what the report's readers parse.
QString printableName(X509* certificate);

// The text of the report's "Status:" line for a verdict.
QString status(Verdict verdict);

// The name a package's notarisation ticket lists it by: hash type and the first 20 bytes of
// the table of contents' checksum.
std::pair<int, QByteArray> ticketEntry(const XarArchive& archive);

} // namespace PackageSignature
