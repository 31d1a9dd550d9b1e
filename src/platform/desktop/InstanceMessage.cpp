#include "platform/desktop/InstanceMessage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace InstanceMessage {
namespace {

QByteArray line(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n'; }

std::optional<QJsonObject> parse(const QByteArray& bytes) {
    if (bytes.size() > maxLine)
        return std::nullopt;
    QJsonParseError error{};
    const auto document = QJsonDocument::fromJson(bytes.trimmed(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

const QString kindKey = QStringLiteral("request");
const QString argsKey = QStringLiteral("args");

QString nameOf(Request::Kind kind) {
    switch (kind) {
    case Request::Kind::Open:
        return QStringLiteral("open");
    case Request::Kind::Quit:
        return QStringLiteral("quit");
    case Request::Kind::Activate:
        return QStringLiteral("activate");
    }
    return {};
}

} // namespace

QByteArray greeting(const Greeting& greeting) {
    return line({{QStringLiteral("bundle"), greeting.bundle},
                 {QStringLiteral("version"), greeting.version},
                 {QStringLiteral("pid"), double(greeting.pid)}});
}

QByteArray request(const Request& request) {
    QJsonObject object{{kindKey, nameOf(request.kind)}};
    if (request.kind == Request::Kind::Open)
        object.insert(argsKey, QJsonArray::fromStringList(request.args));
    return line(object);
}

QByteArray acknowledgement(bool ok) { return line({{QStringLiteral("ok"), ok}}); }

std::optional<Greeting> readGreeting(const QByteArray& bytes) {
    const auto object = parse(bytes);
    if (!object)
        return std::nullopt;
    const QJsonValue bundle = object->value(QStringLiteral("bundle"));
    const QJsonValue version = object->value(QStringLiteral("version"));
    const QJsonValue pid = object->value(QStringLiteral("pid"));
    // A pid is a whole positive number well inside a double's exact range.
    const double number = pid.toDouble(-1);
    if (!bundle.isString() || !version.isString() || !pid.isDouble() || number < 1 || number > 0x1p31 ||
        std::trunc(number) != number)
        return std::nullopt;
    return Greeting{bundle.toString(), version.toString(), qint64(number)};
}

std::optional<Request> readRequest(const QByteArray& bytes) {
    const auto object = parse(bytes);
    if (!object)
        return std::nullopt;
    const QString name = object->value(kindKey).toString();
    Request result;
    if (name == QLatin1String("open")) {
        result.kind = Request::Kind::Open;
        const QJsonValue args = object->value(argsKey);
        if (!args.isArray())
            return std::nullopt;
        for (const QJsonValue& value : args.toArray()) {
            if (!value.isString())
                return std::nullopt;
            result.args.append(value.toString());
        }
    } else if (name == QLatin1String("quit")) {
        result.kind = Request::Kind::Quit;
    } else if (name == QLatin1String("activate")) {
        result.kind = Request::Kind::Activate;
    } else {
        return std::nullopt;
    }
    return result;
}

bool readAcknowledgement(const QByteArray& bytes) {
    const auto object = parse(bytes);
    return object && object->value(QStringLiteral("ok")).toBool();
}

} // namespace InstanceMessage
