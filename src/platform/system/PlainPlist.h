#pragma once

#include <QByteArrayView>
#include <QVariant>

#include <optional>

// The common XML property list read directly, without a general XML reader: an optional XML
// declaration and document type, then dictionaries, arrays, keys, strings, integers and
// booleans, with no entity, comment, character data, attribute beyond the plist version, or
// character that XML refuses. Such a document gives the tree PropertyList's reader gives.
namespace PlainPlist {

// The value of the UTF-8 document `xml`; nothing when it is not plain, which says nothing
// about whether it is well-formed.
std::optional<QVariant> read(QByteArrayView xml);

} // namespace PlainPlist
