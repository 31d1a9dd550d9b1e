#pragma once

#include <QString>

#include <optional>

// One item an application left in the user's Library. Its identity is its path.
struct Leftover {
    QString url;                // the Library folder with the relative path appended, links unresolved
    std::optional<qint64> size; // allocated bytes; absent = not measured
    bool ambiguous = false;     // may belong to another application: never ticked in bulk

    const QString& id() const { return url; }

    friend bool operator==(const Leftover&, const Leftover&) = default;
};
