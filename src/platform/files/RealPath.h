#pragma once

#include <QString>

#include <optional>

// The path with every link and "." or ".." resolved, as the kernel sees it; nothing when any
// component does not exist or can not be read. Every containment check starts here.
std::optional<QString> realPath(const QString& path);
