#pragma once

#include <QList>
#include <QString>

#include <optional>

// When updates may drop from the notch; the raw value is the case name.
enum class NotchMode { smart, daily, login, never };

namespace NotchModes {
const QList<NotchMode>& all();
QString rawValue(NotchMode mode);
// Exactly one of the four names, else nothing.
std::optional<NotchMode> from(const QString& text);
} // namespace NotchModes
