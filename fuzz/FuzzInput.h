#pragma once

// What every fuzz target shares: the input as bytes or text, and a private folder for readers
// that only take files.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace FuzzInput {

inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline QString text(const uint8_t* data, size_t size) { return QString::fromUtf8(bytes(data, size)); }

// One folder for the whole run, emptied by the caller between inputs.
inline const QTemporaryDir& folder() {
    static const QTemporaryDir dir;
    return dir;
}

// Writes the input to a file in the folder and returns its path.
inline QString file(const uint8_t* data, size_t size, const QString& name) {
    const QString path = folder().filePath(name);
    QFile out(path);
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        out.write(reinterpret_cast<const char*>(data), qint64(size));
    return path;
}

} // namespace FuzzInput
