#pragma once

#include <QByteArray>
#include <QString>

// Object identifiers: dotted text and the DER content bytes stored in requirements.
namespace Oid {
// Empty when `dotted` is not an identifier.
QByteArray content(const QString& dotted);
// Empty when the bytes do not read as one.
QString text(const QByteArray& content);
} // namespace Oid
