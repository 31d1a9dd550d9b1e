#include "AuthEmulator.h"

#include "sources/Net.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

using namespace Qt::Literals::StringLiterals;

namespace AuthEmulator {

std::optional<CloudConfig> config() {
    const QString host = qEnvironmentVariable("QUENLARK_AUTH_EMULATOR");
    if (host.isEmpty())
        return std::nullopt;
    // Without a Firestore emulator the library's calls go to a closed port on this machine, so a
    // test never reaches the real service (nor waits out a request timeout for it).
    const QString firestore = qEnvironmentVariable("QUENLARK_FIRESTORE_EMULATOR", u"127.0.0.1:1"_s);
    return CloudConfig::emulator(u"demo-key"_s, qEnvironmentVariable("QUENLARK_AUTH_EMULATOR_PROJECT"), host,
                                 firestore);
}

std::optional<CloudConfig> withFirestore() {
    if (qEnvironmentVariableIsEmpty("QUENLARK_FIRESTORE_EMULATOR"))
        return std::nullopt;
    return config();
}

QString freshAddress() { return u"user-"_s + QUuid::createUuid().toString(QUuid::Id128).left(12) + u"@example.com"_s; }

QCoro::Task<QStringList> confirmationLinks(CloudConfig config, QString email) {
    const QUrl codes(config.authHost + u"emulator/v1/projects/"_s + config.projectId + u"/oobCodes"_s);
    const QByteArray body = co_await Net::get(codes);
    QStringList links;
    const QJsonArray all = QJsonDocument::fromJson(body).object().value(u"oobCodes"_s).toArray();
    for (const QJsonValue& code : all) {
        const QJsonObject entry = code.toObject();
        if (entry.value(u"email"_s).toString() == email &&
            entry.value(u"requestType"_s).toString() == u"VERIFY_EMAIL"_s)
            links << entry.value(u"oobLink"_s).toString();
    }
    co_return links;
}

QCoro::Task<QString> confirmationLink(CloudConfig config, QString email) {
    const QStringList links = co_await confirmationLinks(std::move(config), std::move(email));
    co_return links.isEmpty() ? QString() : links.last();
}

} // namespace AuthEmulator
