#include "platform/codesign/NotarizationTicket.h"

#include "platform/codesign/CmsSignature.h"
#include "platform/codesign/SignatureStatus.h"

#include <QFile>
#include <QSet>

#include <openssl/objects.h>
#include <openssl/x509.h>

namespace {

constexpr qint64 maxTicket = 256 * 1024;

bool carriesExtension(X509* certificate, const char* oid) {
    ASN1_OBJECT* object = OBJ_txt2obj(oid, 1);
    const bool found = X509_get_ext_by_OBJ(certificate, object, -1) >= 0;
    ASN1_OBJECT_free(object);
    return found;
}

QString commonName(X509* certificate) {
    char buffer[256] = {};
    X509_NAME_get_text_by_NID(X509_get_subject_name(certificate), NID_commonName, buffer, sizeof buffer);
    return QString::fromUtf8(buffer);
}

} // namespace

namespace NotarizationTicket {

bool covers(const QString& path, const QList<std::pair<int, QByteArray>>& cdhashes, const Anchors& anchors) {
    if (cdhashes.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxTicket)
        return false;
    return coversTicket(file.readAll(), cdhashes, anchors);
}

bool coversTicket(const QByteArray& ticket, const QList<std::pair<int, QByteArray>>& cdhashes, const Anchors& anchors) {
    if (cdhashes.isEmpty() || ticket.size() > maxTicket)
        return false;
    const CmsSignature message = CmsSignature::verify(ticket, std::nullopt, anchors);
    if (message.status != SignatureStatus::Ok || message.chain.size() < 2)
        return false;
    // Only the notary service's ticket signer counts: never a Developer ID leaf or CA.
    X509* leaf = message.chain.first().get();
    if (commonName(leaf) != u"Software Ticket Signing" || carriesExtension(leaf, "1.2.840.113635.100.6.1.13") ||
        carriesExtension(leaf, "1.2.840.113635.100.6.1.14"))
        return false;
    for (qsizetype i = 1; i < message.chain.size(); ++i) {
        if (carriesExtension(message.chain[i].get(), "1.2.840.113635.100.6.2.6"))
            return false;
    }
    QSet<QByteArray> listed;
    for (const QByteArray& line : message.content.split('\n')) {
        if (!line.trimmed().isEmpty())
            listed.insert(line.trimmed().toLower());
    }
    for (const auto& [type, hash] : cdhashes) {
        if (!listed.contains("2/" + QByteArray::number(type) + "/" + hash.toHex()))
            return false;
    }
    return true;
}

} // namespace NotarizationTicket
