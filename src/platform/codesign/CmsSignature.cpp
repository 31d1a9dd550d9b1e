#include "platform/codesign/CmsSignature.h"

#include "platform/codesign/OpenSslOwned.h"

#include "platform/codesign/SignatureStatus.h"

#include <cstring>

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/ts.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace {

constexpr qsizetype maxMessage = 1024 * 1024;
constexpr const char* cdhashListOid = "1.2.840.113635.100.9.1";

void freeCertificates(STACK_OF(X509) * certificates) { sk_X509_pop_free(certificates, X509_free); }

void freeStack(STACK_OF(X509) * certificates) { sk_X509_free(certificates); }

void freeBio(BIO* bio) { BIO_free(bio); }

void freeChain(BIO* bio) { BIO_free_all(bio); }

// `bytes` to read through a pass-through filter. OpenSSL 3.0's CMS_verify copies detached content
// given as a memory BIO and loses the copy when the message's data can't be set up; a filter in
// front keeps it reading from ours.
BIO* readingThroughFilter(const QByteArray& bytes) {
    BIO* memory = BIO_new_mem_buf(bytes.constData(), int(bytes.size()));
    BIO* filter = memory ? BIO_new(BIO_f_null()) : nullptr;
    if (!filter) {
        BIO_free(memory);
        return nullptr;
    }
    return BIO_push(filter, memory);
}

// The bytes of the single value of type `type` of a signed or unsigned attribute: the content of
// an octet string, the whole encoding of a sequence.
std::optional<QByteArray> attribute(CMS_SignerInfo* signer, const char* oid, bool isSigned, int type) {
    ASN1_OBJECT* object = OBJ_txt2obj(oid, 1);
    const int index =
        isSigned ? CMS_signed_get_attr_by_OBJ(signer, object, -1) : CMS_unsigned_get_attr_by_OBJ(signer, object, -1);
    ASN1_OBJECT_free(object);
    if (index < 0)
        return std::nullopt;
    X509_ATTRIBUTE* found = isSigned ? CMS_signed_get_attr(signer, index) : CMS_unsigned_get_attr(signer, index);
    if (X509_ATTRIBUTE_count(found) != 1)
        return std::nullopt;
    ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(found, 0);
    if (!value || value->type != type || !value->value.asn1_string)
        return std::nullopt;
    const ASN1_STRING* bytes = value->value.asn1_string;
    return QByteArray(reinterpret_cast<const char*>(ASN1_STRING_get0_data(bytes)), ASN1_STRING_length(bytes));
}

constexpr const char* timestampTokenOid = "1.2.840.113549.1.9.16.2.14";
constexpr const char* installerSigningUsage = "1.2.840.113635.100.4.13";

bool hasUsage(X509* certificate, const char* oid) {
    EXTENDED_KEY_USAGE* usages =
        static_cast<EXTENDED_KEY_USAGE*>(X509_get_ext_d2i(certificate, NID_ext_key_usage, nullptr, nullptr));
    if (!usages)
        return false;
    ASN1_OBJECT* wanted = OBJ_txt2obj(oid, 1);
    bool found = false;
    for (int i = 0; i < sk_ASN1_OBJECT_num(usages) && !found; ++i)
        found = OBJ_cmp(sk_ASN1_OBJECT_value(usages, i), wanted) == 0;
    ASN1_OBJECT_free(wanted);
    sk_ASN1_OBJECT_pop_free(usages, ASN1_OBJECT_free);
    return found;
}

bool usableFor(X509* leaf, CmsSignature::Usage usage) {
    if (!(X509_get_extension_flags(leaf) & EXFLAG_XKUSAGE))
        return true;
    if (X509_get_extended_key_usage(leaf) & XKU_CODE_SIGN)
        return true;
    return usage == CmsSignature::Usage::Package && hasUsage(leaf, installerSigningUsage);
}

std::optional<std::time_t> timeOf(const ASN1_GENERALIZEDTIME* time) {
    std::tm parts{};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1)
        return std::nullopt;
    return timegm(&parts);
}

// The moment a timestamp token among `signer`'s unsigned attributes vouches for: the token's
// own signature verifies, it was issued by a timestamping authority the anchors vouch for
// (judged as of that moment), and its message imprint is the digest of this signature.
std::optional<std::time_t> trustedTimestamp(CMS_SignerInfo* signer, const Anchors& anchors) {
    const auto encoded = attribute(signer, timestampTokenOid, false, V_ASN1_SEQUENCE);
    if (!encoded)
        return std::nullopt;
    const auto* cursor = reinterpret_cast<const unsigned char*>(encoded->constData());
    Owned<CMS_ContentInfo, CMS_ContentInfo_free> token(d2i_CMS_ContentInfo(nullptr, &cursor, encoded->size()));
    if (!token.p || OBJ_obj2nid(CMS_get0_type(token.p)) != NID_pkcs7_signed ||
        OBJ_obj2nid(CMS_get0_eContentType(token.p)) != NID_id_smime_ct_TSTInfo ||
        sk_CMS_SignerInfo_num(CMS_get0_SignerInfos(token.p)) != 1)
        return std::nullopt;
    Owned<BIO, freeBio> out(BIO_new(BIO_s_mem()));
    if (CMS_verify(token.p, nullptr, nullptr, nullptr, out.p, CMS_BINARY | CMS_NO_SIGNER_CERT_VERIFY) != 1)
        return std::nullopt;
    char* data = nullptr;
    const long size = BIO_get_mem_data(out.p, &data);
    const auto* info = reinterpret_cast<const unsigned char*>(data);
    Owned<TS_TST_INFO, TS_TST_INFO_free> stamp(d2i_TS_TST_INFO(nullptr, &info, size));
    if (!stamp.p)
        return std::nullopt;

    TS_MSG_IMPRINT* imprint = TS_TST_INFO_get_msg_imprint(stamp.p);
    const EVP_MD* md = EVP_get_digestbyobj(TS_MSG_IMPRINT_get_algo(imprint)->algorithm);
    const ASN1_OCTET_STRING* signature = CMS_SignerInfo_get0_signature(signer);
    if (!md || !signature)
        return std::nullopt;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (EVP_Digest(ASN1_STRING_get0_data(signature), size_t(ASN1_STRING_length(signature)), digest, &digestLength, md,
                   nullptr) != 1)
        return std::nullopt;
    const ASN1_OCTET_STRING* claimed = TS_MSG_IMPRINT_get_msg(imprint);
    if (ASN1_STRING_length(claimed) != int(digestLength) ||
        memcmp(ASN1_STRING_get0_data(claimed), digest, digestLength) != 0)
        return std::nullopt;
    const auto moment = timeOf(TS_TST_INFO_get_time(stamp.p));
    if (!moment)
        return std::nullopt;

    Owned<STACK_OF(X509), freeStack> authorities(CMS_get0_signers(token.p));
    if (!authorities.p || sk_X509_num(authorities.p) != 1)
        return std::nullopt;
    X509* authority = sk_X509_value(authorities.p, 0);
    if (!(X509_get_extension_flags(authority) & EXFLAG_XKUSAGE) ||
        !(X509_get_extended_key_usage(authority) & XKU_TIMESTAMP))
        return std::nullopt;
    Owned<STACK_OF(X509), freeCertificates> offered(CMS_get1_certs(token.p));
    QList<X509*> others;
    for (int i = 0; offered.p && i < sk_X509_num(offered.p); ++i)
        others.append(sk_X509_value(offered.p, i));
    if (anchors.verify(authority, others, moment).error != X509_V_OK)
        return std::nullopt;
    return moment;
}

} // namespace

CmsSignature CmsSignature::verify(const QByteArray& der, const std::optional<QByteArray>& detachedContent,
                                  const Anchors& anchors, Usage usage) {
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
    Owned<BIO, freeChain> content(detachedContent ? readingThroughFilter(*detachedContent) : nullptr);
    if (detachedContent && !content.p)
        return result;
    Owned<BIO, freeBio> out(detachedContent ? nullptr : BIO_new(BIO_s_mem()));
    // The signature and the message digest first; the chain is built below with our anchors.
    if (CMS_verify(message.p, nullptr, nullptr, content.p, out.p, CMS_BINARY | CMS_NO_SIGNER_CERT_VERIFY) != 1)
        return result;
    if (out.p) {
        char* data = nullptr;
        const long size = BIO_get_mem_data(out.p, &data);
        result.content = QByteArray(data, int(size));
    }
    result.cdhashList = attribute(sk_CMS_SignerInfo_value(signers, 0), cdhashListOid, true, V_ASN1_OCTET_STRING);

    Owned<STACK_OF(X509), freeStack> signerCertificates(CMS_get0_signers(message.p));
    if (!signerCertificates.p || sk_X509_num(signerCertificates.p) != 1)
        return result;
    X509* leaf = sk_X509_value(signerCertificates.p, 0);
    if (!usableFor(leaf, usage)) {
        result.status = SignatureStatus::Untrusted;
        return result;
    }

    Owned<STACK_OF(X509), freeCertificates> offered(CMS_get1_certs(message.p));
    QList<X509*> others;
    for (int i = 0; offered.p && i < sk_X509_num(offered.p); ++i)
        others.append(sk_X509_value(offered.p, i));
    result.timestamp = trustedTimestamp(sk_CMS_SignerInfo_value(signers, 0), anchors);
    Anchors::Verified verified = anchors.verify(leaf, others, result.timestamp);
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

QList<Anchors::Certificate> CmsSignature::signerChain(const QByteArray& der, const Anchors& anchors) {
    if (der.isEmpty() || der.size() > maxMessage)
        return {};
    const auto* cursor = reinterpret_cast<const unsigned char*>(der.constData());
    Owned<CMS_ContentInfo, CMS_ContentInfo_free> message(d2i_CMS_ContentInfo(nullptr, &cursor, der.size()));
    if (!message.p || OBJ_obj2nid(CMS_get0_type(message.p)) != NID_pkcs7_signed)
        return {};
    STACK_OF(CMS_SignerInfo)* signers = CMS_get0_SignerInfos(message.p);
    if (sk_CMS_SignerInfo_num(signers) != 1 || CMS_set1_signers_certs(message.p, nullptr, 0) < 1)
        return {};
    X509* leaf = nullptr;
    CMS_SignerInfo_get0_algs(sk_CMS_SignerInfo_value(signers, 0), nullptr, &leaf, nullptr, nullptr);
    if (!leaf)
        return {};
    Owned<STACK_OF(X509), freeCertificates> offered(CMS_get1_certs(message.p));
    QList<X509*> others;
    for (int i = 0; offered.p && i < sk_X509_num(offered.p); ++i)
        others.append(sk_X509_value(offered.p, i));
    return anchors.chainOf(leaf, others);
}
