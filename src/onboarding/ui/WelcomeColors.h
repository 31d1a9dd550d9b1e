#pragma once

#include <QColor>

// The welcome window's three colours, whatever the application's appearance.
namespace WelcomeColors {

inline QColor ink() { return QColor::fromRgbF(0.04f, 0.043f, 0.063f); }
inline QColor blue() { return QColor::fromRgbF(0.16f, 0.45f, 1.0f); }
inline QColor teal() { return QColor::fromRgbF(0.1f, 0.75f, 0.8f); }
// White at an opacity, the welcome window's text and fills.
inline QColor white(double opacity) { return QColor::fromRgbF(1, 1, 1, float(opacity)); }

} // namespace WelcomeColors
