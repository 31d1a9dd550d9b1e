#include "platform/codesign/CmsSignature.h"

#include "platform/codesign/OpenSslOwned.h"

#include "platform/codesign/SignatureStatus.h"

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/objects.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace {

constexpr qsizetype maxMessage = 1024 * 1024;
constexpr const char* cdhashListOid = "1.2.840.113635.100.9.1";

void freeCertificates(STACK_OF(X509)* certificates) {
    sk_X509_pop_free(certificates, X509_free);
}

void freeStack(STACK_OF(X509)* certificates) {
    sk_X509_free(certificates);
}

void freeBio(BIO* bio) {
    BIO_free(bio);
}

std::optional<QByteArray> signedAttribute(CMS_SignerInfo* signer, const char* oid) {
    ASN1_OBJECT* object = OBJ_txt2obj(oid, 1);
    const int index = CMS_signed_get_attr_by_OBJ(signer, object, -1);
    ASN1_OBJECT_free(object);
    if (index < 0)
        return std::nullopt;
    X509_ATTRIBUTE* attribute = CMS_signed_get_attr(signer, index);
    if (X509_ATTRIBUTE_count(attribute) != 1)
        return std::nullopt;
    ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(attribute, 0);
    if (!value || value->type != V_ASN1_OCTET_STRING)
        return std::nullopt;
    const ASN1_OCTET_STRING* octets = value->value.octet_string;
    return QByteArray(reinterpret_cast<const char*>(ASN1_STRING_get0_data(octets)), ASN1_STRING_length(octets));
}

} // namespace

CmsSignature CmsSignature::verify(const QByteArray& der, const std::optional<QByteArray>& detachedContent,
                                  const Anchors& anchors) {
    CmsSignature result;
    result.status = SignatureStatus::SignatureFailed;
    if (der.isEmpty() || der.size() > maxMessage)
        return result;
    const auto* cursor = reinterpret_cast<const unsigned char*>(der.constData());
    Owned<CMS_ContentInfo, CMS_ContentInfo_free> message(d2i_CMS_ContentInfo(nullptr, &cursor, der.size()));
    if (!message.p || OBJ_obj2nid(CMS_get0_type(message.p)) != NID_pkcs7_signed)
        return result;
    STACK_OF(CMS_SignerInfo)* signers = CMS_get0_SignerInfos(message.p);
    if (sk_CMS_SignerInfo_num(signers) != 1 || (CMS_is_detached(message.p) == 1) != detachedContent.has_value())
        return result;
    Owned<BIO, freeBio> content(detachedContent
                                    ? BIO_new_mem_buf(detachedContent->constData(), int(detachedContent->size()))
                                    : nullptr);
    Owned<BIO, freeBio> out(detachedContent ? nullptr : BIO_new(BIO_s_mem()));
    // The signature and the message digest first; the chain is built below with our anchors.
    if (CMS_verify(message.p, nullptr, nullptr, content.p, out.p, CMS_BINARY | CMS_NO_SIGNER_CERT_VERIFY) != 1)
        return result;
    if (out.p) {
        char* data = nullptr;
        const long size = BIO_get_mem_data(out.p, &data);
        result.content = QByteArray(data, int(size));
    }
    result.cdhashList = signedAttribute(sk_CMS_SignerInfo_value(signers, 0), cdhashListOid);

    Owned<STACK_OF(X509), freeStack> signerCertificates(CMS_get0_signers(message.p));
    if (!signerCertificates.p || sk_X509_num(signerCertificates.p) != 1)
        return result;
    X509* leaf = sk_X509_value(signerCertificates.p, 0);
    if ((X509_get_extension_flags(leaf) & EXFLAG_XKUSAGE) && !(X509_get_extended_key_usage(leaf) & XKU_CODE_SIGN)) {
        result.status = SignatureStatus::Untrusted;
        return result;
    }

    Owned<STACK_OF(X509), freeCertificates> offered(CMS_get1_certs(message.p));
    QList<X509*> others;
    for (int i = 0; offered.p && i < sk_X509_num(offered.p); ++i)
        others.append(sk_X509_value(offered.p, i));
    Anchors::Verified verified = anchors.verify(leaf, others);
    if (verified.error != X509_V_OK) {
        switch (verified.error) {
        case X509_V_ERR_CERT_REVOKED:
            result.status = SignatureStatus::Revoked;
            break;
        case X509_V_ERR_CERT_HAS_EXPIRED:
        case X509_V_ERR_CERT_NOT_YET_VALID:
            result.status = SignatureStatus::CertificateExpired;
            break;
        default:
            result.status = SignatureStatus::Untrusted;
            break;
        }
        return result;
    }
    result.chain = std::move(verified.chain);
    result.status = SignatureStatus::Ok;
    return result;
}
