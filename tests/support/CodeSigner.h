#pragma once

#include "TestPki.h"

#include <QByteArray>
#include <QString>

#include <ctime>
#include <optional>

// Signs Mach-O images the way the platform's signer does: a code directory (SHA-256, page
// hashes up to the signature, special slots for Info.plist, the requirement set and the
// resource seal), a requirement set, and a detached CMS signature over the code directory by a
// test identity with the full chain, the signing time, the cdhash list attribute and, as the
// vendor's signing service adds it, an RFC 3161 timestamp token over the signature. Without an
// identity the signature is ad-hoc.
namespace CodeSigner {

// Who stamps a signature, and as of when.
struct Timestamp {
    enum class By { None, Trusted, Untrusted } by = By::Trusted;
    std::optional<std::time_t> at; // nothing: now
};

struct Options {
    QString identifier = QStringLiteral("com.example.tool");
    const TestPki::Identity* identity = nullptr; // nullptr: ad-hoc
    bool withTeam = true;                        // record the identity's team in the directory
    QByteArray infoPlist;                        // sealed in special slot 1 when not empty
    QByteArray resources;                        // sealed in special slot 3 when not empty
    QByteArray requirements;                     // the set blob; empty: an empty set
    int pageSizeLog2 = 12;
    uint32_t flags = 0x10000; // hardened runtime
    Timestamp timestamp;
};

struct Signed {
    QByteArray image;
    QByteArray cdhash; // 20 bytes
};

Signed sign(const QByteArray& unsignedImage, const Options& options);

// The platform's designated requirement for Developer ID code, in binary, as a one-entry set.
QByteArray developerIdRequirementSet(const QString& identifier, const QString& team);
QByteArray emptyRequirementSet();

// A CMS message over `content` by `identity` with its chain (SHA-256; detached or enveloping),
// carrying the cdhash list attribute when `cdhashPlist` is not empty and the timestamp token
// `stamp` asks for.
QByteArray cms(const QByteArray& content, const TestPki::Identity& identity, bool detached,
               const QByteArray& cdhashPlist = {}, const Timestamp& stamp = {});

// A stapled notarisation ticket naming these 20-byte cdhashes, signed by `signer`.
QByteArray ticket(const QList<QByteArray>& cdhashes, const TestPki::Identity& signer);

} // namespace CodeSigner
