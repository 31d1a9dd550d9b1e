#pragma once

#include <QByteArray>
#include <QVariant>

#include <optional>

// The XML form of property lists, for the texts our tools print and read (disk-image resources,
// image information). Dictionaries become QVariantMap, arrays QVariantList, data QByteArray,
// integers qint64, reals double, Booleans bool, strings and dates QString.
namespace PlistXml {

// Nothing when the text is not a well-formed XML property list.
std::optional<QVariant> parse(const QByteArray& xml);

// The XML document of `value`, with header and doctype.
QByteArray write(const QVariant& value);

} // namespace PlistXml
