#pragma once

#include <QList>
#include <QString>

#include <sys/types.h>

// The running applications of this user's system, found by the bundle their executable lives in
// (<bundle>.app/Contents/MacOS/<executable>), read from /proc/<pid>/exe.
namespace Processes {

struct RunningApp {
    pid_t pid = 0;
    QString bundle; // the bundle path, as the kernel reports the executable's path
};

// Every running process whose executable lies inside a bundle, in ascending pid order.
QList<RunningApp> all();

// The running processes of the bundle at `bundle`: matched by location, not by identifier, so
// another copy of the same application elsewhere does not count. Both the lexically cleaned
// path and its resolved form (links followed) are compared, since the kernel reports resolved
// paths.
QList<RunningApp> running(const QString& bundle);

// Asks a process to quit (SIGTERM). Returns false when the signal could not be sent.
bool terminate(pid_t pid);

// The bundle that holds an executable path, when it sits in <x>.app/Contents/MacOS/.
QString bundleOfExecutable(const QString& executable);

} // namespace Processes
