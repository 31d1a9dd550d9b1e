#include "platform/Anchors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <mutex>

namespace {

std::mutex configuredMutex;
std::shared_ptr<const Anchors> configuredAnchors;

bool isSelfSigned(X509* certificate) {
    return X509_check_issued(certificate, certificate) == X509_V_OK;
}

QString defaultFolder() {
    const QByteArray fromEnvironment = qgetenv("QUENLARK_ANCHORS");
    if (!fromEnvironment.isEmpty())
        return QString::fromLocal8Bit(fromEnvironment);
    // Both Contents/MacOS/quenlark and Contents/Helpers/quenlark-tools sit beside Resources.
    const QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return QFileInfo(executable).absolutePath() + QStringLiteral("/../Resources/anchors");
}

} // namespace

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
    const QStringList files = QDir(folder).entryList(
        {QStringLiteral("*.pem"), QStringLiteral("*.cer"), QStringLiteral("*.crt"),
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
