#pragma once

#include <QString>
#include <QStringList>

// Makes this program the desktop's handler of addresses with one scheme: a desktop entry for
// "x-scheme-handler/<scheme>" in the user's applications folder, chosen as the default in the
// user's mimeapps.list, whose command runs the program with the address as its last argument.
namespace SchemeHandler {

// The desktop file id of the entry for `scheme`.
QString entryId(const QString& scheme);

// The Exec value running `program` with `arguments` and then the address ("%u"), quoted and
// escaped as desktop entries require; empty when no entry can run them (DesktopEntry::refusal).
QString execLine(const QString& program, const QStringList& arguments);

// Writes the entry and the default, neither writable by others. False when the scheme is not a
// private one in reversed-domain form (never http, https, file or another common scheme), when
// no entry can run the program (a "%" or "=" in its path, a control character) or a file could
// not be written.
bool install(const QString& scheme, const QString& program, const QStringList& arguments);

// Removes the entry, and the default when it still names it.
void remove(const QString& scheme);

} // namespace SchemeHandler
