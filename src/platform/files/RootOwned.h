#pragma once

#include <QString>

#include <optional>

// Whether only the administrator can change a file: what is run or trusted as root must be
// owned by root and writable by nobody else, and so must every folder above it (else it could
// be swapped), both where it is named and where its links lead.
namespace RootOwned {

// The first path on the way (the item, its real location, then the folders above either)
// that another user could change or that doesn't exist; nothing when there is none.
std::optional<QString> untrusted(const QString& path);

// The same for a folder and every entry in it.
std::optional<QString> untrustedFolder(const QString& folder);

} // namespace RootOwned
