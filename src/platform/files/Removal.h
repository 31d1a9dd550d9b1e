#pragma once

#include <QByteArray>
#include <QString>

// Permanent deletion that never follows a link: a link is removed itself, a folder is emptied
// through descriptors opened without following links, so nothing outside the item is touched
// even when a link inside it points elsewhere. However deep the folder, a bounded number of
// descriptors is open.
namespace Removal {

// Deletes the file, link or folder at `path` with everything below it. Throws FileError
// (Op::Remove, the item that could not be removed, errno); what was removed before stays removed.
void removeItem(const QString& path);

// The same for the entry `name` of the folder open at `folder`; `shown` names it in errors.
void removeAt(int folder, const QByteArray& name, const QString& shown);

} // namespace Removal
