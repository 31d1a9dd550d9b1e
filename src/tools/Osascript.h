#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The AppleScript stand-in for one form only:
//   do shell script "<line>" [with prompt "<text>"] with administrator privileges
// read from standard input ("osascript -") or given with -e. The line runs as root through
// "pkexec /bin/sh -c <line>"; with QUENLARK_ELEVATION=unprivileged (tests) it runs as the
// caller, and QUENLARK_PKEXEC may name another elevation program. What the line prints is printed; a failure prints the
// platform's form "0:<length>: execution error: <message> (<number>)" to standard error and exits 1: a dismissed prompt
// is "User canceled." (-128), a line that exits non-zero gives its standard error (or "The command exited with a
// non-zero status.") and its status.
int osascriptMain(const QStringList& args);

namespace Osascript {

struct Script {
    QString line;
    QString prompt;
};

// The parsed script, or nothing when it is not exactly the form above.
std::optional<Script> parse(const QString& script);

} // namespace Osascript
