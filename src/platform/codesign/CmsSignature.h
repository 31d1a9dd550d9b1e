#pragma once

#include "platform/codesign/Anchors.h"

#include <QByteArray>
#include <QList>

#include <memory>
#include <optional>

// A CMS SignedData message checked with OpenSSL: the signature over the content (detached, as
// code signatures carry it, or enclosed, as tickets do) and the signer's chain to the anchors,
// with the revocation lists at hand.
class CmsSignature {
public:
    int status = 0; // a SignatureStatus code
    QList<Anchors::Certificate> chain;  // leaf first, ending at the trusted root, when trusted
    QByteArray content;                 // the enclosed content, for enclosed messages
    std::optional<QByteArray> cdhashList; // the signed attribute listing every cdhash (a plist)

    // `detachedContent` absent means the message encloses its content.
    static CmsSignature verify(const QByteArray& der, const std::optional<QByteArray>& detachedContent,
                               const Anchors& anchors);
};
