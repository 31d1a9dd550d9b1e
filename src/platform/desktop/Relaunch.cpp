#include "platform/desktop/Relaunch.h"

#include "platform/system/ToolPaths.h"

#include <QProcess>

bool Relaunch::start(const QString& bundle, const QString& executable) {
    return QProcess::startDetached(ToolPaths::shell, {QStringLiteral("-c"), command, bundle, executable});
}
