#include "tools/Launchctl.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

int launchctlMain(const QStringList& args) {
    if (args.size() < 2 || args.front() != QLatin1String("bootout")) {
        std::fprintf(stderr, "launchctl: only \"bootout <domain> <path>\" is available here\n");
        return 64;
    }
    const QByteArray state = qgetenv("XDG_STATE_HOME");
    const QString base =
        !state.isEmpty() ? QFile::decodeName(state) : QDir::homePath() + QStringLiteral("/.local/state");
    const QString folder = base + QStringLiteral("/com.quenlark.Quenlark");
    QFile log(folder + QStringLiteral("/launchctl.log"));
    // Recording is a courtesy: a request that cannot be written down still succeeds.
    if (QDir().mkpath(folder) && log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write(args.join(QLatin1Char(' ')).toUtf8() + '\n');
    return 0;
}
