#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstring>

// Writes `size` bytes of non-repeating content in 1 MiB steps (each 8 bytes hold their offset's
// chunk start), so no layer can compress or deduplicate it.
inline void writeLargeFile(const QString& path, qint64 size) {
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return;
    QByteArray chunk(1024 * 1024, Qt::Uninitialized);
    for (qint64 written = 0; written < size; written += chunk.size()) {
        for (qsizetype i = 0; i < chunk.size(); i += 8)
            std::memcpy(chunk.data() + i, &written, 8);
        out.write(chunk);
    }
}
