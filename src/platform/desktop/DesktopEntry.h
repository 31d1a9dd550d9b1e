#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What every desktop entry of ours shares: the Exec line and how the file is written.
namespace DesktopEntry {

// Why no Exec line can run `program` with `arguments`, as a sentence; "" when one can.
QString refusal(const QString& program, const QStringList& arguments);

// The Exec value running `program` with `arguments`, each quoted and escaped as desktop entries
// require; empty when no entry can run them (`refusal` says why).
QString execLine(const QString& program, const QStringList& arguments);

// The value of `key` in the group `group` ("Desktop Entry") of a key file, or "" when it has none.
QString value(const QString& keyFile, const QString& group, const QString& key);

// Replaces the file at `path` in one step, making its missing folders (0755); nobody else may
// write it whatever the umask (0644 for a new file, an existing one keeps any stricter mode).
// False with errno set when it failed; the old file is then untouched.
bool write(const QString& path, const QByteArray& contents);

} // namespace DesktopEntry
