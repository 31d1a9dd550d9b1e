#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// The update sources, in the order a check tries them. The raw value is the display name.
enum class SourceKind { appStore, sparkle, homebrew, github, electron };

namespace SourceKinds {

const QList<SourceKind>& all();
QString rawValue(SourceKind kind);
// Exactly one of the five display names (case-sensitive), else nothing.
std::optional<SourceKind> from(const QString& text);
// Whether this program can download and install a release of this kind itself.
bool canInstall(SourceKind kind);

} // namespace SourceKinds

inline size_t qHash(SourceKind kind, size_t seed = 0) { return qHash(static_cast<int>(kind), seed); }
