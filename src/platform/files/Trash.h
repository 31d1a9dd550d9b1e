#pragma once

#include <QString>

// Moving items to a trash without ever deleting or replacing anything. Failures throw FileError
// (Op::Move or Op::Create) carrying the errno, which the install errors map to their sentences.
namespace Trash {

// Moves `item` to the user's Trash in the freedesktop.org Trash layout: the home
// trash ($XDG_DATA_HOME/Trash) for items on its volume, else the volume's $topdir/.Trash/$uid
// (only when .Trash is a real, sticky folder) or $topdir/.Trash-$uid. A volume where neither
// can be used sends the item to the home trash across devices: it is copied, the copy checked
// against the original, and only then the original removed. An info file records the original
// path and the deletion time. Returns the item's new path.
QString moveToUserTrash(const QString& item);

// Moves `item` into `folder` (made with its parents when missing), keeping its name when free,
// else the first free "<base> <n>.<ext>" (or "<base> <n>" without an extension), n = 2, 3, ...
// Returns the item's new path.
QString moveInto(const QString& item, const QString& folder);

// The n-th name `moveInto` tries for `name` (n = 1 is the name itself).
QString numberedName(const QString& name, int n);

} // namespace Trash
