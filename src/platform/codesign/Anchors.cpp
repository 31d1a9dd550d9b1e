#include "platform/codesign/Anchors.h"

#include "platform/codesign/OpenSslOwned.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <openssl/bio.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <mutex>

namespace {

std::mutex configuredMutex;
std::shared_ptr<const Anchors> configuredAnchors;

bool isSelfSigned(X509* certificate) { return X509_check_issued(certificate, certificate) == X509_V_OK; }

QString defaultFolder() {
    const QByteArray fromEnvironment = qgetenv("QUENLARK_ANCHORS");
    if (!fromEnvironment.isEmpty())
        return QString::fromLocal8Bit(fromEnvironment);
    // Both Contents/MacOS/quenlark and Contents/Helpers/quenlark-tools sit beside Resources.
    const QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return QFileInfo(executable).absolutePath() + QStringLiteral("/../Resources/anchors");
}

// The arcs of the vendor's leaf and intermediate marker extensions (Developer ID Application
// and Installer, their date, Mac App Store, development and the issuing authorities). The
// requirement language reads them; they constrain nothing OpenSSL would have to enforce.
constexpr const char* vendorLeafArc = "1.2.840.113635.100.6.1.";
constexpr const char* vendorIntermediateArc = "1.2.840.113635.100.6.2.";

QByteArray dotted(const ASN1_OBJECT* object) {
    char buffer[128] = {};
    const int length = OBJ_obj2txt(buffer, sizeof buffer, object, 1);
    return length > 0 && length < int(sizeof buffer) ? QByteArray(buffer, length) : QByteArray();
}

// Every critical extension OpenSSL leaves unhandled is one of the vendor's markers.
bool onlyVendorCriticals(X509* certificate) {
    if (!certificate)
        return false;
    for (int i = 0; i < X509_get_ext_count(certificate); ++i) {
        X509_EXTENSION* extension = X509_get_ext(certificate, i);
        if (!X509_EXTENSION_get_critical(extension) || X509_supported_extension(extension))
            continue;
        if (!Anchors::isVendorMarker(dotted(X509_EXTENSION_get_object(extension))))
            return false;
    }
    return true;
}

int judge(int ok, X509_STORE_CTX* ctx) {
    if (!ok) {
        switch (X509_STORE_CTX_get_error(ctx)) {
        case X509_V_ERR_UNABLE_TO_GET_CRL:
        case X509_V_ERR_CRL_HAS_EXPIRED:
        case X509_V_ERR_CRL_NOT_YET_VALID:
            return 1;
        case X509_V_ERR_UNHANDLED_CRITICAL_EXTENSION:
            return onlyVendorCriticals(X509_STORE_CTX_get_current_cert(ctx)) ? 1 : 0;
        default:
            break;
        }
    }
    return ok;
}

void freeStack(STACK_OF(X509) * certificates) { sk_X509_free(certificates); }

struct Attempt {
    std::optional<std::time_t> at; // nothing: now
    bool anyTime = false;          // neither validity periods nor revocation lists count
};

Anchors::Verified build(const Anchors& anchors, X509* leaf, const QList<X509*>& others, const Attempt& attempt) {
    Anchors::Verified result;
    result.error = X509_V_ERR_UNSPECIFIED;
    Owned<X509_STORE, X509_STORE_free> store(X509_STORE_new());
    Owned<STACK_OF(X509), freeStack> untrusted(sk_X509_new_null());
    Owned<X509_STORE_CTX, X509_STORE_CTX_free> ctx(X509_STORE_CTX_new());
    if (!leaf || !store.p || !untrusted.p || !ctx.p)
        return result;
    for (const auto& root : anchors.roots)
        X509_STORE_add_cert(store.p, root.get());
    if (!attempt.anyTime)
        for (const auto& list : anchors.revocationLists)
            X509_STORE_add_crl(store.p, list.get());
    for (X509* other : others)
        sk_X509_push(untrusted.p, other);
    for (const auto& intermediate : anchors.intermediates)
        sk_X509_push(untrusted.p, intermediate.get());
    if (!X509_STORE_CTX_init(ctx.p, store.p, leaf, untrusted.p))
        return result;
    if (attempt.anyTime)
        X509_STORE_CTX_set_flags(ctx.p, X509_V_FLAG_NO_CHECK_TIME);
    else if (!anchors.revocationLists.isEmpty())
        X509_STORE_CTX_set_flags(ctx.p, X509_V_FLAG_CRL_CHECK | X509_V_FLAG_CRL_CHECK_ALL);
    if (attempt.at)
        X509_STORE_CTX_set_time(ctx.p, 0, *attempt.at);
    X509_STORE_CTX_set_verify_cb(ctx.p, judge);
    if (X509_verify_cert(ctx.p) != 1) {
        result.error = X509_STORE_CTX_get_error(ctx.p);
        if (result.error == X509_V_OK)
            result.error = X509_V_ERR_UNSPECIFIED;
        return result;
    }
    result.error = X509_V_OK;
    STACK_OF(X509)* chain = X509_STORE_CTX_get1_chain(ctx.p);
    for (int i = 0; i < sk_X509_num(chain); ++i)
        result.chain.append(Anchors::Certificate(sk_X509_value(chain, i), X509_free));
    sk_X509_free(chain);
    return result;
}

bool within(X509* certificate, std::time_t moment) {
    std::time_t at = moment;
    return X509_cmp_time(X509_get0_notBefore(certificate), &at) < 0 &&
           X509_cmp_time(X509_get0_notAfter(certificate), &at) > 0;
}

} // namespace

bool Anchors::isVendorMarker(const QByteArray& oid) {
    return oid.startsWith(vendorLeafArc) || oid.startsWith(vendorIntermediateArc);
}

Anchors::Verified Anchors::verify(X509* leaf, const QList<X509*>& others, std::optional<std::time_t> stampedAt) const {
    Verified now = build(*this, leaf, others, {});
    if (now.error != X509_V_ERR_CERT_HAS_EXPIRED || !stampedAt || !within(leaf, *stampedAt))
        return now;
    return build(*this, leaf, others, {stampedAt, false});
}

QList<Anchors::Certificate> Anchors::chainOf(X509* leaf, const QList<X509*>& others) const {
    return build(*this, leaf, others, {std::nullopt, true}).chain;
}

Anchors::Certificate Anchors::certificateFrom(const QByteArray& der) {
    const auto* data = reinterpret_cast<const unsigned char*>(der.constData());
    X509* certificate = d2i_X509(nullptr, &data, der.size());
    return Certificate(certificate, X509_free);
}

bool Anchors::add(const QByteArray& bytes) {
    bool any = false;
    const auto addCertificate = [&](X509* certificate) {
        Certificate owned(certificate, X509_free);
        (isSelfSigned(certificate) ? roots : intermediates).append(owned);
        any = true;
    };
    if (bytes.contains("-----BEGIN")) {
        BIO* bio = BIO_new_mem_buf(bytes.constData(), int(bytes.size()));
        while (X509* certificate = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr))
            addCertificate(certificate);
        BIO_free(bio);
        bio = BIO_new_mem_buf(bytes.constData(), int(bytes.size()));
        while (X509_CRL* list = PEM_read_bio_X509_CRL(bio, nullptr, nullptr, nullptr)) {
            revocationLists.append(RevocationList(list, X509_CRL_free));
            any = true;
        }
        BIO_free(bio);
        return any;
    }
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    if (X509* certificate = d2i_X509(nullptr, &data, bytes.size())) {
        addCertificate(certificate);
        return true;
    }
    data = reinterpret_cast<const unsigned char*>(bytes.constData());
    if (X509_CRL* list = d2i_X509_CRL(nullptr, &data, bytes.size())) {
        revocationLists.append(RevocationList(list, X509_CRL_free));
        return true;
    }
    return false;
}

Anchors Anchors::fromDirectory(const QString& folder) {
    Anchors anchors;
    const QStringList files =
        QDir(folder).entryList({QStringLiteral("*.pem"), QStringLiteral("*.cer"), QStringLiteral("*.crt"),
                                QStringLiteral("*.der"), QStringLiteral("*.crl")},
                               QDir::Files, QDir::Name);
    for (const QString& name : files) {
        QFile file(folder + u'/' + name);
        if (file.open(QIODevice::ReadOnly) && file.size() < 1024 * 1024)
            anchors.add(file.readAll());
    }
    return anchors;
}

std::shared_ptr<const Anchors> Anchors::configured() {
    std::lock_guard lock(configuredMutex);
    if (!configuredAnchors)
        configuredAnchors = std::make_shared<const Anchors>(fromDirectory(defaultFolder()));
    return configuredAnchors;
}

void Anchors::setConfigured(std::shared_ptr<const Anchors> anchors) {
    std::lock_guard lock(configuredMutex);
    configuredAnchors = std::move(anchors);
}
