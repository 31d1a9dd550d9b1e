#include "platform/archives/PackageSignature.h"

#include "platform/codesign/OpenSslOwned.h"

#include "platform/codesign/CmsSignature.h"
#include "platform/codesign/NotarizationTicket.h"
#include "platform/codesign/SignatureStatus.h"

#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace PackageSignature {
namespace {

constexpr const char* developerIdCaMarker = "1.2.840.113635.100.6.2.6";
constexpr const char* developerIdInstallerMarker = "1.2.840.113635.100.6.1.14";

bool carries(X509* certificate, const char* oid) {
    ASN1_OBJECT* object = OBJ_txt2obj(oid, 1);
    const bool found = X509_get_ext_by_OBJ(certificate, object, -1) >= 0;
    ASN1_OBJECT_free(object);
    return found;
}

const EVP_MD* messageDigest(XarArchive::Digest digest) {
    switch (digest) {
    case XarArchive::Digest::Sha1:
        return EVP_sha1();
    case XarArchive::Digest::Sha256:
        return EVP_sha256();
    case XarArchive::Digest::Sha512:
        return EVP_sha512();
    case XarArchive::Digest::Md5:
    case XarArchive::Digest::None:
        break;
    }
    return nullptr; // MD5 and none are never good enough for a signature
}

// RSASSA-PKCS1-v1_5 over the precomputed digest.
bool rsaVerifies(X509* leaf, const QByteArray& digest, const QByteArray& signature, const EVP_MD* md) {
    EVP_PKEY* key = X509_get0_pubkey(leaf);
    if (!key || EVP_PKEY_base_id(key) != EVP_PKEY_RSA)
        return false;
    Owned<EVP_PKEY_CTX, EVP_PKEY_CTX_free> ctx(EVP_PKEY_CTX_new(key, nullptr));
    if (!ctx.p || EVP_PKEY_verify_init(ctx.p) != 1 || EVP_PKEY_CTX_set_rsa_padding(ctx.p, RSA_PKCS1_PADDING) != 1 ||
        EVP_PKEY_CTX_set_signature_md(ctx.p, md) != 1)
        return false;
    return EVP_PKEY_verify(ctx.p, reinterpret_cast<const unsigned char*>(signature.constData()),
                           size_t(signature.size()), reinterpret_cast<const unsigned char*>(digest.constData()),
                           size_t(digest.size())) == 1;
}

// The DER message without the zero padding writers reserve after it.
QByteArray trimmedDer(const QByteArray& bytes) {
    if (bytes.size() < 2 || quint8(bytes[0]) != 0x30)
        return bytes;
    const quint8 first = quint8(bytes[1]);
    qint64 length = 0;
    int header = 2;
    if (first < 0x80) {
        length = first;
    } else {
        const int count = first & 0x7f;
        if (count == 0 || count > 4 || bytes.size() < 2 + count)
            return bytes;
        for (int i = 0; i < count; ++i)
            length = (length << 8) | quint8(bytes[2 + i]);
        header += count;
    }
    return length + header <= bytes.size() ? bytes.left(qsizetype(length + header)) : bytes;
}

} // namespace

std::pair<int, QByteArray> ticketEntry(const XarArchive& archive) {
    const int type = archive.digest == XarArchive::Digest::Sha1 ? 1 : 2;
    return {type, archive.tocDigest().left(20)};
}

Result check(const XarArchive& archive, const Anchors& anchors) {
    Result result;
    if (!archive.signature && !archive.cmsSignature)
        return result;
    result.verdict = Verdict::Invalid;
    if (!archive.checksumMatches() || !archive.signature || archive.signature->style != u"RSA")
        return result;
    QList<Anchors::Certificate> offered;
    for (const QByteArray& der : archive.signature->certificates) {
        if (auto certificate = Anchors::certificateFrom(der))
            offered.append(certificate);
        else
            return result;
    }
    if (offered.isEmpty())
        return result;
    result.chain = offered;
    const EVP_MD* md = messageDigest(archive.digest);
    const QByteArray digest = archive.tocDigest();
    QByteArray signature;
    try {
        signature = archive.heap(archive.signature->offset, archive.signature->size);
    } catch (const XarArchive::Failure&) {
        return result;
    }
    X509* leaf = offered.first().get();
    if (!md || !rsaVerifies(leaf, digest, signature, md))
        return result;
    // A CMS signature beside it must sign the same checksum; its timestamp dates the signing.
    std::optional<std::time_t> stampedAt;
    if (archive.cmsSignature) {
        try {
            const QByteArray der = trimmedDer(archive.heap(archive.cmsSignature->offset, archive.cmsSignature->size));
            const CmsSignature cms = CmsSignature::verify(der, digest, anchors, CmsSignature::Usage::Package);
            if (cms.status == SignatureStatus::SignatureFailed)
                return result;
            // Only a timestamp over a signature by this same leaf dates it.
            if (!cms.chain.isEmpty() && X509_cmp(cms.chain.first().get(), leaf) == 0)
                stampedAt = cms.timestamp;
        } catch (const XarArchive::Failure&) {
            return result;
        }
    }

    QList<X509*> others;
    for (qsizetype i = 1; i < offered.size(); ++i)
        others.append(offered[i].get());
    Anchors::Verified verified = anchors.verify(leaf, others, stampedAt);
    if (verified.error != X509_V_OK) {
        result.verdict =
            verified.error == X509_V_ERR_CERT_HAS_EXPIRED || verified.error == X509_V_ERR_CERT_NOT_YET_VALID
                ? Verdict::Expired
                : Verdict::Untrusted;
        return result;
    }
    result.chain = std::move(verified.chain);
    const bool developerId = result.chain.size() >= 3 && carries(leaf, developerIdInstallerMarker) &&
                             carries(result.chain[1].get(), developerIdCaMarker);
    result.verdict = developerId ? Verdict::DeveloperId : Verdict::Trusted;
    if (developerId && archive.ticket)
        result.notarized = NotarizationTicket::coversTicket(*archive.ticket, {ticketEntry(archive)}, anchors);
    return result;
}

QString printableName(X509* certificate) {
    char buffer[512] = {};
    X509_NAME_get_text_by_NID(X509_get_subject_name(certificate), NID_commonName, buffer, sizeof buffer);
    QString name = QString::fromUtf8(buffer);
    for (QChar& c : name) {
        const auto category = c.category();
        if (category == QChar::Other_Control || category == QChar::Other_Format || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph)
            c = u'?';
    }
    return name;
}

QString status(Verdict verdict) {
    switch (verdict) {
    case Verdict::Unsigned:
        return QStringLiteral("no signature");
    case Verdict::Invalid:
        return QStringLiteral("package is invalid (checksum did not verify)");
    case Verdict::Untrusted:
        return QStringLiteral("signed by untrusted certificate");
    case Verdict::Expired:
        return QStringLiteral("signed by a certificate that has since expired");
    case Verdict::DeveloperId:
        return QStringLiteral("signed by a developer certificate issued by Apple for distribution");
    case Verdict::Trusted:
        return QStringLiteral("signed by a certificate trusted by Mac OS X");
    }
    return {};
}

} // namespace PackageSignature
