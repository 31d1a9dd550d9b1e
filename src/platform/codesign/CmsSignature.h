#pragma once

#include "platform/codesign/Anchors.h"

#include <QByteArray>
#include <QList>

#include <ctime>
#include <memory>
#include <optional>

// A CMS SignedData message checked with OpenSSL: the signature over the content (detached, as
// code signatures carry it, or enclosed, as tickets do) and the signer's chain to the anchors,
// with the revocation lists at hand. An RFC 3161 timestamp token among the unsigned attributes,
// over this signature and itself chained to the anchors, dates the signing: a signer whose
// certificate has expired since still counts when the token falls inside its validity. The
// self-declared signing-time attribute never does.
class CmsSignature {
public:
    // What the signer's certificate must be good for.
    enum class Usage {
        Code,    // code signing
        Package, // code signing, or the vendor's installer-package signing
    };

    int status = 0;                       // a SignatureStatus code
    QList<Anchors::Certificate> chain;    // leaf first, ending at the trusted root, when trusted
    QByteArray content;                   // the enclosed content, for enclosed messages
    std::optional<QByteArray> cdhashList; // the signed attribute listing every cdhash (a plist)
    std::optional<std::time_t> timestamp; // when a trusted timestamp token says it was signed

    // `detachedContent` absent means the message encloses its content.
    static CmsSignature verify(const QByteArray& der, const std::optional<QByteArray>& detachedContent,
                               const Anchors& anchors, Usage usage = Usage::Code);

    // The chain from the message's signer to a root, leaf first, built from the certificates
    // it carries without checking the signature, the time or revocation; empty when none forms.
    static QList<Anchors::Certificate> signerChain(const QByteArray& der, const Anchors& anchors);
};
