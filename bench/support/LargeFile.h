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

// `size` bytes that no layer can deduplicate or compress, different for each seed.
inline QByteArray pseudoRandom(qsizetype size, quint32 seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = seed * 2654435761u + 1;
    for (qsizetype i = 0; i + 4 <= size; i += 4) {
        state = state * 1664525u + 1013904223u;
        std::memcpy(bytes.data() + i, &state, 4);
    }
    return bytes;
}
