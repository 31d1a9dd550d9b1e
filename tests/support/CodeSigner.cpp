#include "CodeSigner.h"

#include "MachOBuilder.h"

#include <QCryptographicHash>

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/ts.h>
#include <openssl/x509.h>

#include <stdexcept>

namespace CodeSigner {
namespace {

using MachOBuilder::be32;
using MachOBuilder::be64;

QByteArray sha256(const QByteArray& data) { return QCryptographicHash::hash(data, QCryptographicHash::Sha256); }

QByteArray padded(const QByteArray& data) {
    QByteArray out = be32(uint32_t(data.size())) + data;
    while (out.size() % 4)
        out.append('\0');
    return out;
}

QByteArray oidContent(const char* dotted) {
    ASN1_OBJECT* object = OBJ_txt2obj(dotted, 1);
    const unsigned char* content = OBJ_get0_data(object);
    QByteArray bytes(reinterpret_cast<const char*>(content), int(OBJ_length(object)));
    ASN1_OBJECT_free(object);
    return bytes;
}

QByteArray requirementBlob(const QByteArray& program) {
    return be32(0xFADE0C00) + be32(uint32_t(12 + program.size())) + be32(1) + program;
}

int fixedTime(TS_RESP_CTX*, void* data, long* seconds, long* microseconds) {
    *seconds = long(*static_cast<const std::time_t*>(data));
    *microseconds = 0;
    return 1;
}

// An RFC 3161 token by `authority` over the signature value of `signer`, added as the
// timeStampToken unsigned attribute.
void addTimestamp(CMS_SignerInfo* signer, const TestPki::Identity& authority, std::time_t at) {
    const ASN1_OCTET_STRING* signature = CMS_SignerInfo_get0_signature(signer);
    const QByteArray imprint = sha256(
        QByteArray(reinterpret_cast<const char*>(ASN1_STRING_get0_data(signature)), ASN1_STRING_length(signature)));
    TS_REQ* request = TS_REQ_new();
    TS_REQ_set_version(request, 1);
    TS_MSG_IMPRINT* message = TS_MSG_IMPRINT_new();
    X509_ALGOR* algorithm = X509_ALGOR_new();
    X509_ALGOR_set0(algorithm, OBJ_nid2obj(NID_sha256), V_ASN1_NULL, nullptr);
    TS_MSG_IMPRINT_set_algo(message, algorithm);
    TS_MSG_IMPRINT_set_msg(message, reinterpret_cast<unsigned char*>(const_cast<char*>(imprint.constData())),
                           int(imprint.size()));
    TS_REQ_set_msg_imprint(request, message);
    TS_REQ_set_cert_req(request, 1);
    X509_ALGOR_free(algorithm);
    TS_MSG_IMPRINT_free(message);
    unsigned char* encoded = nullptr;
    const int encodedLength = i2d_TS_REQ(request, &encoded);
    TS_REQ_free(request);

    TS_RESP_CTX* context = TS_RESP_CTX_new();
    STACK_OF(X509)* chain = sk_X509_new_null();
    for (const auto& certificate : authority.chain)
        sk_X509_push(chain, certificate.get());
    ASN1_OBJECT* policy = OBJ_txt2obj("1.2.3.4.1", 1);
    std::time_t moment = at;
    const bool made = TS_RESP_CTX_set_signer_cert(context, authority.certificate.get()) &&
                      TS_RESP_CTX_set_signer_key(context, authority.key.get()) &&
                      TS_RESP_CTX_set_certs(context, chain) && TS_RESP_CTX_set_def_policy(context, policy) &&
                      TS_RESP_CTX_add_md(context, EVP_sha256());
    TS_RESP_CTX_set_time_cb(context, fixedTime, &moment);
    BIO* in = BIO_new_mem_buf(encoded, encodedLength);
    TS_RESP* response = made ? TS_RESP_create_response(context, in) : nullptr;
    BIO_free(in);
    OPENSSL_free(encoded);
    ASN1_OBJECT_free(policy);
    sk_X509_free(chain);
    PKCS7* token = response ? TS_RESP_get_token(response) : nullptr;
    if (!token)
        throw std::runtime_error("timestamping failed");
    unsigned char* der = nullptr;
    const int length = i2d_PKCS7(token, &der);
    ASN1_OBJECT* object = OBJ_txt2obj("1.2.840.113549.1.9.16.2.14", 1);
    const int added = CMS_unsigned_add1_attr_by_OBJ(signer, object, V_ASN1_SEQUENCE, der, length);
    ASN1_OBJECT_free(object);
    OPENSSL_free(der);
    TS_RESP_free(response);
    TS_RESP_CTX_free(context);
    if (!added)
        throw std::runtime_error("adding the timestamp failed");
}

} // namespace

QByteArray emptyRequirementSet() { return be32(0xFADE0C01) + be32(12) + be32(0); }

QByteArray developerIdRequirementSet(const QString& identifier, const QString& team) {
    // identifier "<id>" and (anchor apple generic and (certificate 1[field.DevID CA] exists and
    // (certificate leaf[field.DevID Application] exists and certificate leaf[subject.OU] = team)))
    QByteArray program = be32(6) + be32(2) + padded(identifier.toUtf8());
    program += be32(6) + be32(15);
    program += be32(6) + be32(14) + be32(1) + padded(oidContent("1.2.840.113635.100.6.2.6")) + be32(0);
    program += be32(6) + be32(14) + be32(0) + padded(oidContent("1.2.840.113635.100.6.1.13")) + be32(0);
    program += be32(11) + be32(0) + padded("subject.OU") + be32(1) + padded(team.toUtf8());
    const QByteArray blob = requirementBlob(program);
    return be32(0xFADE0C01) + be32(uint32_t(20 + blob.size())) + be32(1) + be32(3) + be32(20) + blob;
}

QByteArray cms(const QByteArray& content, const TestPki::Identity& identity, bool detached,
               const QByteArray& cdhashPlist, const Timestamp& stamp) {
    STACK_OF(X509)* extra = sk_X509_new_null();
    for (const auto& certificate : identity.chain)
        sk_X509_push(extra, certificate.get());
    const unsigned int flags = CMS_BINARY | CMS_PARTIAL | CMS_NOSMIMECAP | (detached ? CMS_DETACHED : 0u);
    CMS_ContentInfo* message = CMS_sign(nullptr, nullptr, extra, nullptr, flags);
    CMS_SignerInfo* signer =
        CMS_add1_signer(message, identity.certificate.get(), identity.key.get(), EVP_sha256(), flags);
    if (!signer)
        throw std::runtime_error("adding the signer failed");
    if (!cdhashPlist.isEmpty()) {
        ASN1_OBJECT* object = OBJ_txt2obj("1.2.840.113635.100.9.1", 1);
        CMS_signed_add1_attr_by_OBJ(signer, object, V_ASN1_OCTET_STRING, cdhashPlist.constData(),
                                    int(cdhashPlist.size()));
        ASN1_OBJECT_free(object);
    }
    BIO* in = BIO_new_mem_buf(content.constData(), int(content.size()));
    if (!CMS_final(message, in, nullptr, flags & ~unsigned(CMS_PARTIAL)))
        throw std::runtime_error("CMS signing failed");
    BIO_free(in);
    if (stamp.by != Timestamp::By::None) {
        const TestPki& pki = TestPki::shared();
        addTimestamp(signer,
                     stamp.by == Timestamp::By::Trusted ? pki.timestampAuthority : pki.untrustedTimestampAuthority,
                     stamp.at.value_or(std::time(nullptr)));
    }
    sk_X509_free(extra);
    unsigned char* out = nullptr;
    const int length = i2d_CMS_ContentInfo(message, &out);
    QByteArray der(reinterpret_cast<const char*>(out), length);
    OPENSSL_free(out);
    CMS_ContentInfo_free(message);
    return der;
}

QByteArray ticket(const QList<QByteArray>& cdhashes, const TestPki::Identity& signer) {
    QByteArray listing;
    for (const QByteArray& hash : cdhashes)
        listing += "2/2/" + hash.toHex() + "\n";
    return cms(listing, signer, false, {}, {Timestamp::By::None, std::nullopt});
}

Signed sign(const QByteArray& unsignedImage, const Options& options) {
    QByteArray image = unsignedImage;
    const QByteArray identifier = options.identifier.toUtf8();
    const QByteArray team = options.identity && options.withTeam ? options.identity->team.toUtf8() : QByteArray();
    const QByteArray requirements = options.requirements.isEmpty() ? emptyRequirementSet() : options.requirements;

    const qint64 dataOffset = (image.size() + 15) & ~qint64(15);
    const qint64 page = qint64(1) << options.pageSizeLog2;
    const uint32_t codeSlots = uint32_t((dataOffset + page - 1) / page);
    constexpr uint32_t specialSlots = 3;
    constexpr int headerSize = 88; // version 0x20400
    const int identOffset = headerSize;
    const int teamOffset = team.isEmpty() ? 0 : identOffset + int(identifier.size()) + 1;
    const int stringsEnd = identOffset + int(identifier.size()) + 1 + (team.isEmpty() ? 0 : int(team.size()) + 1);
    const int hashOffset = stringsEnd + int(specialSlots) * 32;
    const int cdLength = hashOffset + int(codeSlots) * 32;
    const qint64 dataSize = cdLength + requirements.size() + 16384;

    // Fix the signature's place first: the page hashes cover the load commands that name it.
    MachOBuilder::putLe32(image, 16, 3);
    MachOBuilder::putLe32(image, 20, 160);
    MachOBuilder::putLe32(image, 176, 0x1D);
    MachOBuilder::putLe32(image, 180, 16);
    MachOBuilder::putLe32(image, 184, uint32_t(dataOffset));
    MachOBuilder::putLe32(image, 188, uint32_t(dataSize));
    const uint64_t linkeditOffset = MachOBuilder::le32(image, 104 + 40);
    const uint64_t linkeditSize = uint64_t(dataOffset + dataSize) - linkeditOffset;
    MachOBuilder::putLe64(image, 104 + 48, linkeditSize);
    MachOBuilder::putLe64(image, 104 + 32, (linkeditSize + 0x3FFF) & ~uint64_t(0x3FFF));
    image.append(QByteArray(dataOffset - image.size(), '\0'));

    uint32_t flags = options.flags | (options.identity ? 0u : 0x2u);
    QByteArray cd = be32(0xFADE0C02) + be32(uint32_t(cdLength)) + be32(0x20400) + be32(flags) +
                    be32(uint32_t(hashOffset)) + be32(uint32_t(identOffset)) + be32(specialSlots) + be32(codeSlots) +
                    be32(uint32_t(dataOffset));
    cd.append(char(32));
    cd.append(char(2));
    cd.append(char(0));
    cd.append(char(options.pageSizeLog2));
    cd += be32(0) + be32(0) + be32(uint32_t(teamOffset)) + be32(0) + be64(0);
    cd += be64(0) + be64(uint64_t(MachOBuilder::le32(image, 32 + 48))) + be64(1);
    cd += identifier + '\0';
    if (!team.isEmpty())
        cd += team + '\0';
    const QByteArray zero(32, '\0');
    cd += options.resources.isEmpty() ? zero : sha256(options.resources); // slot 3
    cd += sha256(requirements);                                           // slot 2
    cd += options.infoPlist.isEmpty() ? zero : sha256(options.infoPlist); // slot 1
    for (uint32_t i = 0; i < codeSlots; ++i)
        cd += sha256(image.mid(qint64(i) * page, std::min(page, dataOffset - qint64(i) * page)));
    if (cd.size() != cdLength)
        throw std::logic_error("code directory size");

    const QByteArray cdhash = sha256(cd).left(20);
    QByteArray wrapper = be32(0xFADE0B01) + be32(8);
    if (options.identity) {
        const QByteArray plist = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                                 "\t<key>cdhashes</key>\n\t<array>\n\t\t<data>" +
                                 cdhash.toBase64() + "</data>\n\t</array>\n</dict>\n</plist>\n";
        const QByteArray der = cms(cd, *options.identity, true, plist, options.timestamp);
        wrapper = be32(0xFADE0B01) + be32(uint32_t(8 + der.size())) + der;
    }
    const uint32_t indexEnd = 12 + 3 * 8;
    const uint32_t requirementsAt = indexEnd + uint32_t(cd.size());
    const uint32_t wrapperAt = requirementsAt + uint32_t(requirements.size());
    const uint32_t total = wrapperAt + uint32_t(wrapper.size());
    QByteArray blob = be32(0xFADE0CC0) + be32(total) + be32(3) + be32(0) + be32(indexEnd) + be32(2) +
                      be32(requirementsAt) + be32(0x10000) + be32(wrapperAt) + cd + requirements + wrapper;
    if (blob.size() > dataSize)
        throw std::logic_error("signature larger than reserved");
    blob.append(QByteArray(dataSize - blob.size(), '\0'));
    image += blob;
    return {image, cdhash};
}

} // namespace CodeSigner
