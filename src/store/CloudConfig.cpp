#include "store/CloudConfig.h"

#include "model/Launch.h"
#include "model/MainBundle.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QHostAddress>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString identityHost = u"identitytoolkit.googleapis.com"_s;
const QString tokenHost = u"securetoken.googleapis.com"_s;
const QString firestoreRestHost = u"firestore.googleapis.com"_s;

// The key is joined into every authentication URL as it stands, so only characters that need no
// encoding there are accepted.
bool usableKey(const QString& key) {
    static const QRegularExpression form(u"^[A-Za-z0-9_-]+\\z"_s);
    return form.match(key).hasMatch();
}

// An emulator's address as its tools print it, host and port, on this computer only: the
// emulators speak plain http, which must never carry a password or a token off the machine.
bool usableHost(const QString& address) {
    static const QRegularExpression form(u"^(localhost|[0-9.]+|\\[[0-9A-Fa-f:]+\\]):([0-9]{1,5})\\z"_s);
    const QRegularExpressionMatch match = form.match(address);
    if (!match.hasMatch() || match.captured(2).toInt() > 65535)
        return false;
    const QString host = match.captured(1);
    if (host == u"localhost"_s)
        return true;
    QHostAddress parsed;
    return parsed.setAddress(host.startsWith(u'[') ? host.mid(1, host.size() - 2) : host) && parsed.isLoopback();
}

std::optional<CloudConfig>& slot() {
    static std::optional<CloudConfig> value = [] {
        std::optional<QString> bundleFile;
        if (const auto bundle = MainBundle::path())
            bundleFile = *bundle + u"/Contents/Resources/firebase.json"_s;
        return CloudConfig::load(Launch::value(u"--firebase-config"_s), bundleFile);
    }();
    return value;
}

} // namespace

const std::optional<CloudConfig>& CloudConfig::current() { return slot(); }

void CloudConfig::setCurrentForTest(std::optional<CloudConfig> config) { slot() = std::move(config); }

std::optional<CloudConfig> CloudConfig::load(const std::optional<QString>& option,
                                             const std::optional<QString>& bundleFile) {
    const std::optional<QString> path = option ? option : bundleFile;
    if (!path)
        return std::nullopt;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Read no further than a configuration can be: a file beyond it is no configuration.
    const QByteArray contents = file.read(maxFileSize + 1);
    if (file.error() != QFileDevice::NoError || contents.size() > maxFileSize)
        return std::nullopt;
    return parse(contents);
}

std::optional<CloudConfig> CloudConfig::parse(const QByteArray& contents) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(contents, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it)
        if (!it.value().isString())
            return std::nullopt;
    if (!object.contains(u"apiKey"_s) || !object.contains(u"projectId"_s))
        return std::nullopt;
    const QString apiKey = object.value(u"apiKey"_s).toString();
    if (apiKey.isEmpty() || !usableKey(apiKey))
        return std::nullopt;

    const QString projectId = object.value(u"projectId"_s).toString();
    if (!projectId.isEmpty() && !isProjectID(projectId))
        return std::nullopt;

    CloudConfig config;
    config.apiKey = apiKey;
    config.projectId = projectId;
    // Its reversed form becomes a scheme the desktop hands to us: anything but a client id of
    // Google's own form could make us the handler of a common scheme.
    config.googleClientID = object.value(u"googleClientID"_s).toString();
    if (!config.googleClientID.isEmpty() && !isGoogleClientID(config.googleClientID))
        config.googleClientID.clear(); // Google sign-in is off
    config.authHost = u"https://"_s;
    config.firestoreHost = u"https://"_s + firestoreRestHost + u"/"_s;

    // A file for local emulators names them the way their tools print their addresses.
    const QString authEmulator = object.value(u"authEmulatorHost"_s).toString();
    const QString firestoreEmulator = object.value(u"firestoreEmulatorHost"_s).toString();
    if ((!authEmulator.isEmpty() && !usableHost(authEmulator)) ||
        (!firestoreEmulator.isEmpty() && !usableHost(firestoreEmulator)))
        return std::nullopt;
    if (!authEmulator.isEmpty() || !firestoreEmulator.isEmpty()) {
        CloudConfig emulated = emulator(config.apiKey, config.projectId, authEmulator, firestoreEmulator);
        emulated.googleClientID = config.googleClientID;
        if (authEmulator.isEmpty())
            emulated.authHost = config.authHost;
        return emulated;
    }
    return config;
}

CloudConfig CloudConfig::emulator(const QString& apiKey, const QString& projectId, const QString& authEmulatorHost,
                                  const QString& firestoreEmulatorHost) {
    CloudConfig config;
    config.apiKey = apiKey;
    config.projectId = projectId;
    config.authHost = u"http://"_s + authEmulatorHost + u"/"_s;
    config.firestoreHost = firestoreEmulatorHost.isEmpty() ? u"https://"_s + firestoreRestHost + u"/"_s
                                                           : u"http://"_s + firestoreEmulatorHost + u"/"_s;
    config.emulated = true;
    return config;
}

bool CloudConfig::isGoogleClientID(const QString& clientID) {
    static const QRegularExpression form(u"^[0-9]{1,30}-[a-z0-9]{1,64}\\.apps\\.googleusercontent\\.com\\z"_s);
    return form.match(clientID).hasMatch();
}

bool CloudConfig::isProjectID(const QString& projectId) {
    static const QRegularExpression form(u"^[a-z][a-z0-9-]{4,28}[a-z0-9]\\z"_s);
    return form.match(projectId).hasMatch();
}

QUrl CloudConfig::identity(const QString& method) const {
    return QUrl(authHost + identityHost + u"/v1/accounts:"_s + method + u"?key="_s + apiKey);
}

QUrl CloudConfig::tokenURL() const { return QUrl(authHost + tokenHost + u"/v1/token?key="_s + apiKey); }
