#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// The appearance setting; the raw value is the case name.
enum class Theme { system, light, dark };

namespace Themes {
const QList<Theme>& all();
QString rawValue(Theme theme);
// Exactly "system", "light" or "dark" (case-sensitive), else nothing.
std::optional<Theme> from(const QString& text);
} // namespace Themes

inline size_t qHash(Theme theme, size_t seed = 0) { return qHash(static_cast<int>(theme), seed); }
