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
constexpr const char* developerIdDate = "1.2.840.113635.100.6.1.33";
constexpr const char* installerSigningUsage = "1.2.840.113635.100.4.13";
constexpr long day = 86400;
constexpr long year = 365 * day;

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

struct Marker {
    const char* oid;
    bool critical = false;
    QByteArray value = QByteArray("\x05\x00", 2); // DER; the vendor's markers hold an ASN.1 NULL
};

// The Developer ID date marker: a UTF8String date.
Marker dateMarker() {
    const QByteArray date = "20190417000000Z";
    return {developerIdDate, false, QByteArray("\x0c") + char(date.size()) + date};
}

void addMarker(X509* certificate, const Marker& marker) {
    ASN1_OBJECT* object = OBJ_txt2obj(marker.oid, 1);
    ASN1_OCTET_STRING* value = ASN1_OCTET_STRING_new();
    ASN1_OCTET_STRING_set(value, reinterpret_cast<const unsigned char*>(marker.value.constData()),
                          int(marker.value.size()));
    X509_EXTENSION* extension = X509_EXTENSION_create_by_OBJ(nullptr, object, marker.critical ? 1 : 0, value);
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

// What a certificate is for, as the vendor's extended key usage says it.
enum class Role { Authority, Code, Installer, Timestamps };

struct Validity {
    long from = -5 * year; // seconds from now
    long to = 20 * year;
};

TestPki::Identity issue(const Subject& subject, const TestPki::Identity* issuer, Role role, QList<Marker> markers,
                        long serial, bool rsa = false, Validity validity = {}) {
    const bool ca = role == Role::Authority;
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
    X509_gmtime_adj(X509_getm_notBefore(certificate), validity.from);
    X509_gmtime_adj(X509_getm_notAfter(certificate), validity.to);
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
        const char* usage = role == Role::Installer    ? "critical,1.2.840.113635.100.4.13"
                            : role == Role::Timestamps ? "critical,timeStamping"
                                                       : "critical,codeSigning";
        addExtension(certificate, issuerCertificate, NID_ext_key_usage, usage);
    }
    for (const Marker& marker : markers)
        addMarker(certificate, marker);
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
    const QString authority = QStringLiteral("Test Certification Authority");
    root = issue({QStringLiteral("Test Root CA"), authority, vendor}, nullptr, Role::Authority, {}, 1);
    developerIdCa = issue({QStringLiteral("Developer ID Certification Authority"), authority, vendor}, &root,
                          Role::Authority, {{developerIdCaMarker}}, 2);
    // Shaped like the vendor's leaves: the Developer ID marker critical, its date beside it.
    const auto leaf = [&](const QString& name, const QString& team, const Identity& issuer, long serial,
                          Validity validity = {}, QList<Marker> extra = {}) {
        return issue({QStringLiteral("Developer ID Application: %1 (%2)").arg(name, team), team, name}, &issuer,
                     Role::Code, QList<Marker>{{developerIdApplication, true}, dateMarker()} + extra, serial, false,
                     validity);
    };
    teamA = leaf(QStringLiteral("Alpha Software"), QStringLiteral("AAAAAAAAAA"), developerIdCa, 10);
    teamB = leaf(QStringLiteral("Beta Labs"), QStringLiteral("BBBBBBBBBB"), developerIdCa, 11);
    revoked = leaf(QStringLiteral("Gamma Tools"), QStringLiteral("CCCCCCCCCC"), developerIdCa, 12);
    expired =
        leaf(QStringLiteral("Delta Apps"), QStringLiteral("DDDDDDDDDD"), developerIdCa, 14, {-3 * year, -30 * day});
    unknownCritical = leaf(QStringLiteral("Epsilon Works"), QStringLiteral("EEEEEEEEEE"), developerIdCa, 15, {},
                           {{"1.3.6.1.4.1.55555.1", true}});
    const Identity otherRoot =
        issue({QStringLiteral("Test Root CA"), QStringLiteral("Elsewhere"), vendor}, nullptr, Role::Authority, {}, 1);
    const Identity otherCa =
        issue({QStringLiteral("Developer ID Certification Authority"), QStringLiteral("Elsewhere"), vendor}, &otherRoot,
              Role::Authority, {{developerIdCaMarker}}, 2);
    untrusted = leaf(QStringLiteral("Alpha Software"), QStringLiteral("AAAAAAAAAA"), otherCa, 13);
    const auto installer = [&](const QString& name, const QString& team, const Identity& issuer, long serial,
                               Validity validity = {}) {
        return issue({QStringLiteral("Developer ID Installer: %1 (%2)").arg(name, team), team, name}, &issuer,
                     Role::Installer, {{developerIdInstaller, true}, dateMarker()}, serial, true, validity);
    };
    installerA = installer(QStringLiteral("Alpha Software"), QStringLiteral("AAAAAAAAAA"), developerIdCa, 30);
    installerB = installer(QStringLiteral("Beta Labs"), QStringLiteral("BBBBBBBBBB"), developerIdCa, 31);
    installerUntrusted = installer(QStringLiteral("Alpha Software"), QStringLiteral("AAAAAAAAAA"), otherCa, 32);
    installerExpired = installer(QStringLiteral("Delta Apps"), QStringLiteral("DDDDDDDDDD"), developerIdCa, 33,
                                 {-3 * year, -30 * day});
    const Identity systemCa =
        issue({QStringLiteral("System Integration CA"), authority, vendor}, &root, Role::Authority, {}, 3);
    ticketSigner = issue({QStringLiteral("Software Ticket Signing"), QString(), vendor}, &systemCa, Role::Code, {}, 20);
    const Identity timestampCa =
        issue({QStringLiteral("Timestamp Certification Authority"), authority, vendor}, &root, Role::Authority, {}, 4);
    timestampAuthority = issue({QStringLiteral("Timestamp Authority"), QString(), vendor}, &timestampCa,
                               Role::Timestamps, {}, 21, false, {-10 * year, 10 * year});
    untrustedTimestampAuthority = issue({QStringLiteral("Timestamp Authority"), QString(), vendor}, &otherRoot,
                                        Role::Timestamps, {}, 22, false, {-10 * year, 10 * year});

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
