#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

// XML and binary property lists as Qt values: dictionary QVariantMap, array QVariantList, string
// QString, integer qint64, real double, boolean bool, data QByteArray, date QDateTime in UTC
// (seconds since 2001 underneath, see ReferenceDate). Readers are bounded and never throw:
// anything unreadable gives nothing.
namespace PropertyList {

// Files larger than this are refused unread.
inline constexpr qint64 maxFileSize = 16 * 1024 * 1024;

// Parses an XML (UTF-8 or UTF-16) or binary property list.
std::optional<QVariant> fromBytes(const QByteArray& bytes);
// The same without the fast path for plain XML documents (PlainPlist), which must never change
// what a document gives.
std::optional<QVariant> fromBytesThroughReader(const QByteArray& bytes);

// Reads and parses a file; nothing when it is missing, too large, unreadable or malformed.
std::optional<QVariant> fromFile(const QString& path);

// The file's top-level dictionary; nothing when it is not one.
std::optional<QVariantMap> dictionaryFromFile(const QString& path);

// An XML property list of `value`; nothing when it holds a type a property list cannot carry.
std::optional<QByteArray> toXml(const QVariant& value);
// What a settings file holds: XML, or a binary property list when some string holds what XML 1.0
// can not carry (C0 controls but tab and line ends, U+FFFE, U+FFFF), which the readers take back
// all the same. Nothing when the value can not be kept at all (a NUL in a string).
std::optional<QByteArray> toStorable(const QVariant& value);
// Whether a property list can hold `value` (what toStorable would refuse, without writing it).
bool storable(const QVariant& value);

} // namespace PropertyList
