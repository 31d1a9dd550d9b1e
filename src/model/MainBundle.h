#pragma once

#include <QString>

#include <optional>

// The running program's own bundle: Quenlark.app/Contents/MacOS/quenlark laid out by the build.
namespace MainBundle {

// The built-in bundle identifier.
inline const QString builtInIdentifier = QStringLiteral("com.quenlark.Quenlark");

// The running bundle's identifier, else the built-in one.
QString identifier();

// The path of the running ".app" bundle, when the executable sits inside one.
std::optional<QString> path();

// The path of `name` in the running bundle's Contents/Resources, when the bundle has it.
std::optional<QString> resource(const QString& name);

} // namespace MainBundle
