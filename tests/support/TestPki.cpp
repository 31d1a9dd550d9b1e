#include "TestPki.h"

#include <QDir>
#include <QFile>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <stdexcept>

namespace {

constexpr const char* developerIdCaMarker = "1.2.840.113635.100.6.2.6";
constexpr const char* developerIdApplication = "1.2.840.113635.100.6.1.13";
constexpr const char* developerIdInstaller = "1.2.840.113635.100.6.1.14";

std::shared_ptr<EVP_PKEY> newKey(bool rsa = false) {
    EVP_PKEY* key = rsa ? EVP_RSA_gen(2048) : EVP_EC_gen("P-256");
    if (!key)
        throw std::runtime_error("key generation failed");
    return {key, EVP_PKEY_free};
}

void addExtension(X509* certificate, X509* issuer, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx(&ctx, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (!extension)
        throw std::runtime_error("bad extension");
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

// A marker extension as the vendor writes it: the OID with an ASN.1 NULL as its value.
void addMarker(X509* certificate, const char* oid) {
    ASN1_OBJECT* object = OBJ_txt2obj(oid, 1);
    ASN1_OCTET_STRING* value = ASN1_OCTET_STRING_new();
    const unsigned char null[] = {0x05, 0x00};
    ASN1_OCTET_STRING_set(value, null, 2);
    X509_EXTENSION* extension = X509_EXTENSION_create_by_OBJ(nullptr, object, 0, value);
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
    ASN1_OCTET_STRING_free(value);
    ASN1_OBJECT_free(object);
}

struct Subject {
    QString commonName;
    QString unit;
    QString organization;
};

TestPki::Identity issue(const Subject& subject, const TestPki::Identity* issuer, bool ca,
                        QList<const char*> markers, long serial, bool rsa = false) {
    TestPki::Identity identity;
    identity.key = newKey(rsa);
    X509* certificate = X509_new();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial);
    X509_NAME* name = X509_NAME_new();
    const auto entry = [&](const char* field, const QString& value) {
        if (!value.isEmpty())
            X509_NAME_add_entry_by_txt(name, field, MBSTRING_UTF8,
                                       reinterpret_cast<const unsigned char*>(value.toUtf8().constData()), -1, -1, 0);
    };
    entry("UID", ca ? QString() : subject.unit);
    entry("CN", subject.commonName);
    entry("OU", subject.unit);
    entry("O", subject.organization);
    entry("C", QStringLiteral("US"));
    X509_set_subject_name(certificate, name);
    X509* issuerCertificate = issuer ? issuer->certificate.get() : certificate;
    X509_set_issuer_name(certificate, issuer ? X509_get_subject_name(issuerCertificate) : name);
    X509_NAME_free(name);
    X509_gmtime_adj(X509_getm_notBefore(certificate), -86400);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 20L * 365 * 86400);
    X509_set_pubkey(certificate, identity.key.get());
    addExtension(certificate, issuerCertificate, NID_subject_key_identifier, "hash");
    if (issuer)
        addExtension(certificate, issuerCertificate, NID_authority_key_identifier, "keyid:always");
    if (ca) {
        addExtension(certificate, issuerCertificate, NID_basic_constraints, "critical,CA:TRUE");
        addExtension(certificate, issuerCertificate, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        addExtension(certificate, issuerCertificate, NID_basic_constraints, "critical,CA:FALSE");
        addExtension(certificate, issuerCertificate, NID_key_usage, "critical,digitalSignature");
        addExtension(certificate, issuerCertificate, NID_ext_key_usage, "codeSigning");
    }
    for (const char* oid : markers)
        addMarker(certificate, oid);
    EVP_PKEY* signingKey = issuer ? issuer->key.get() : identity.key.get();
    if (!X509_sign(certificate, signingKey, EVP_sha256()))
        throw std::runtime_error("signing a certificate failed");
    identity.certificate.reset(certificate, X509_free);
    identity.commonName = subject.commonName;
    identity.team = ca ? QString() : subject.unit;
    if (issuer) {
        identity.chain.append(issuer->certificate);
        identity.chain.append(issuer->chain);
    }
    return identity;
}

} // namespace

const TestPki& TestPki::shared() {
    static const TestPki pki;
    return pki;
}

TestPki::TestPki() {
    const QString vendor = QStringLiteral("Quenlark Test Vendor");
    root = issue({QStringLiteral("Test Root CA"), QStringLiteral("Test Certification Authority"), vendor},
                 nullptr, true, {}, 1);
    developerIdCa = issue({QStringLiteral("Developer ID Certification Authority"),
                           QStringLiteral("Test Certification Authority"), vendor},
                          &root, true, {developerIdCaMarker}, 2);
    const auto leaf = [&](const QString& name, const QString& team, const Identity& issuer, long serial) {
        return issue({QStringLiteral("Developer ID Application: %1 (%2)").arg(name, team), team, name},
                     &issuer, false, {developerIdApplication}, serial);
    };
    teamA = leaf(QStringLiteral("Alpha Software"), QStringLiteral("AAAAAAAAAA"), developerIdCa, 10);
    teamB = leaf(QStringLiteral("Beta Labs"), QStringLiteral("BBBBBBBBBB"), developerIdCa, 11);
    revoked = leaf(QStringLiteral("Gamma Tools"), QStringLiteral("CCCCCCCCCC"), developerIdCa, 12);
    const Identity otherRoot = issue({QStringLiteral("Test Root CA"), QStringLiteral("Elsewhere"), vendor},
                                     nullptr, true, {}, 1);
    const Identity otherCa = issue({QStringLiteral("Developer ID Certification Authority"),
                                    QStringLiteral("Elsewhere"), vendor},
                                   &otherRoot, true, {developerIdCaMarker}, 2);
    untrusted = leaf(QStringLiteral("Alpha Software"), QStringLiteral("AAAAAAAAAA"), otherCa, 13);
    const auto installer = [&](const QString& name, const QString& team, const Identity& issuer, long serial) {
        return issue({QStringLiteral("Developer ID Installer: %1 (%2)").arg(name, team), team, name},
                     &issuer, false, {developerIdInstaller}, serial, true);
    };
    installerA = installer(QStringLiteral("Alpha Software"), QStringLiteral("AAAAAAAAAA"), developerIdCa, 30);
    installerB = installer(QStringLiteral("Beta Labs"), QStringLiteral("BBBBBBBBBB"), developerIdCa, 31);
    installerUntrusted = installer(QStringLiteral("Alpha Software"), QStringLiteral("AAAAAAAAAA"), otherCa, 32);
    const Identity systemCa = issue({QStringLiteral("System Integration CA"),
                                     QStringLiteral("Test Certification Authority"), vendor},
                                    &root, true, {}, 3);
    ticketSigner = issue({QStringLiteral("Software Ticket Signing"), QString(), vendor}, &systemCa, false, {}, 20);

    X509_CRL* list = X509_CRL_new();
    X509_CRL_set_version(list, 1);
    X509_CRL_set_issuer_name(list, X509_get_subject_name(developerIdCa.certificate.get()));
    ASN1_TIME* now = X509_gmtime_adj(nullptr, -3600);
    ASN1_TIME* next = X509_gmtime_adj(nullptr, 365L * 86400);
    X509_CRL_set1_lastUpdate(list, now);
    X509_CRL_set1_nextUpdate(list, next);
    X509_REVOKED* entry = X509_REVOKED_new();
    X509_REVOKED_set_serialNumber(entry, X509_get_serialNumber(revoked.certificate.get()));
    X509_REVOKED_set_revocationDate(entry, now);
    X509_CRL_add0_revoked(list, entry);
    X509_CRL_sort(list);
    X509_CRL_sign(list, developerIdCa.key.get(), EVP_sha256());
    ASN1_TIME_free(now);
    ASN1_TIME_free(next);
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509_CRL(bio, list);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    revocationListPem = QByteArray(data, int(size));
    BIO_free(bio);
    X509_CRL_free(list);
}

std::shared_ptr<const Anchors> TestPki::anchors() const {
    auto anchors = std::make_shared<Anchors>();
    anchors->add(pem(root.certificate));
    anchors->add(revocationListPem);
    return anchors;
}

void TestPki::writeAnchors(const QString& folder) const {
    QDir().mkpath(folder);
    QFile rootFile(folder + QStringLiteral("/test-root.pem"));
    rootFile.open(QIODevice::WriteOnly);
    rootFile.write(pem(root.certificate));
    QFile listFile(folder + QStringLiteral("/developer-id.crl"));
    listFile.open(QIODevice::WriteOnly);
    listFile.write(revocationListPem);
}

QByteArray TestPki::der(const std::shared_ptr<X509>& certificate) {
    unsigned char* out = nullptr;
    const int length = i2d_X509(certificate.get(), &out);
    QByteArray bytes(reinterpret_cast<const char*>(out), length);
    OPENSSL_free(out);
    return bytes;
}

QByteArray TestPki::pem(const std::shared_ptr<X509>& certificate) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, certificate.get());
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    QByteArray bytes(data, int(size));
    BIO_free(bio);
    return bytes;
}
