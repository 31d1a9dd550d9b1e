#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>

#include <cstdint>
#include <optional>

// Reading JSON from remote data with the checks the sources need.
namespace Json {

// The parsed document; a syntax error throws ParseError.
QJsonDocument parse(const QByteArray& body);
// The value when it is an array whose every element is an object, else nothing.
std::optional<QList<QJsonObject>> objects(const QJsonValue& value);
// A number that is a whole number fitting 64 bits, else nothing.
std::optional<std::int64_t> integer(const QJsonValue& value);
// A number cut to its whole part, when that fits 64 bits, else nothing.
std::optional<std::int64_t> truncated(const QJsonValue& value);
// The text when the value is a string.
std::optional<QString> string(const QJsonValue& value);

} // namespace Json
