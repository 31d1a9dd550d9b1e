#pragma once

#include <QByteArray>
#include <QVariant>

#include <optional>

// Reads an XML property list into Qt values: dict -> QVariantMap, array -> QVariantList,
// string -> QString, data -> QByteArray, integer -> qlonglong, real -> double, true/false ->
// bool, date -> QDateTime (UTC). Nesting is bounded; anything malformed gives nothing.
namespace XmlPlist {

std::optional<QVariant> parse(const QByteArray& xml);

} // namespace XmlPlist
