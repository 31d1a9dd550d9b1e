#pragma once

#include <QString>

// Starts a bundle again once this process has had time to end: a detached shell that waits one
// second and then runs the bundle's executable. The bundle path reaches the shell as "$0" and
// the executable's name as "$1", never as part of the command text, so no path is ever read as
// shell syntax.
namespace Relaunch {

// The shell's command text.
inline const QString command = QStringLiteral("sleep 1; exec \"$0/Contents/MacOS/$1\"");

// False when the shell could not be started.
bool start(const QString& bundle, const QString& executable);

} // namespace Relaunch
