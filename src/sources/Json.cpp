#include "sources/Json.h"

#include "runtime/ParseError.h"

#include <QJsonArray>
#include <QJsonParseError>

#include <cmath>

namespace Json {

QJsonDocument parse(const QByteArray& body) {
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || document.isNull())
        throw ParseError();
    return document;
}

std::optional<QList<QJsonObject>> objects(const QJsonValue& value) {
    if (!value.isArray())
        return std::nullopt;
    QList<QJsonObject> result;
    const QJsonArray array = value.toArray();
    result.reserve(array.size());
    for (const QJsonValue& element : array) {
        if (!element.isObject())
            return std::nullopt;
        result.append(element.toObject());
    }
    return result;
}

std::optional<std::int64_t> integer(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    // toInteger gives its fallback for anything that is not a whole 64-bit number.
    const qint64 a = value.toInteger(1);
    const qint64 b = value.toInteger(2);
    if (a != b)
        return std::nullopt;
    return a;
}

std::optional<std::int64_t> truncated(const QJsonValue& value) {
    if (auto whole = integer(value))
        return whole;
    if (!value.isDouble())
        return std::nullopt;
    const double cut = std::trunc(value.toDouble());
    if (!(cut >= -9223372036854775808.0 && cut < 9223372036854775808.0))
        return std::nullopt;
    return static_cast<std::int64_t>(cut);
}

std::optional<QString> string(const QJsonValue& value) {
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

} // namespace Json
