#include "platform/system/Processes.h"

#include "platform/files/RealPath.h"
#include "platform/files/Sys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <signal.h>
#include <unistd.h>

namespace Processes {

QString bundleOfExecutable(const QString& executable) {
    // <bundle>.app/Contents/MacOS/<executable>
    const QStringList parts = QDir::cleanPath(executable).split(QLatin1Char('/'));
    const qsizetype n = parts.size();
    if (n < 5 || parts[n - 2] != QLatin1String("MacOS") || parts[n - 3] != QLatin1String("Contents") ||
        !parts[n - 4].endsWith(QLatin1String(".app")))
        return {};
    return parts.mid(0, n - 3).join(QLatin1Char('/'));
}

QList<RunningApp> all() {
    QList<RunningApp> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool ok = false;
        const pid_t pid = entry.toInt(&ok);
        if (!ok || pid <= 0)
            continue;
        char target[PATH_MAX];
        const QByteArray link = QFile::encodeName(QStringLiteral("/proc/") + entry + QStringLiteral("/exe"));
        const ssize_t n = Sys::readlink(link, target, sizeof target - 1);
        if (n <= 0)
            continue; // gone, a kernel thread, or another user's process
        QString exe = QFile::decodeName(QByteArray(target, n));
        // An executable replaced on disk while running (an update swapped in) still counts.
        if (exe.endsWith(QLatin1String(" (deleted)")))
            exe.chop(10);
        const QString bundle = bundleOfExecutable(exe);
        if (!bundle.isEmpty())
            found.append({pid, bundle});
    }
    std::sort(found.begin(), found.end(), [](const RunningApp& a, const RunningApp& b) { return a.pid < b.pid; });
    return found;
}

QList<RunningApp> running(const QString& bundle) {
    const QString clean = QDir::cleanPath(bundle);
    const QString resolved = realPath(clean).value_or(QString());
    QList<RunningApp> kept;
    for (const RunningApp& app : all()) {
        if (app.bundle == clean || (!resolved.isEmpty() && app.bundle == resolved))
            kept.append(app);
    }
    return kept;
}

bool terminate(pid_t pid) { return pid > 0 && ::kill(pid, SIGTERM) == 0; }

} // namespace Processes
