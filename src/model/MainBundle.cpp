#include "model/MainBundle.h"

#include <QDir>
#include <QFileInfo>

namespace MainBundle {

std::optional<QString> path() {
    // /proc/self/exe -> <bundle>.app/Contents/MacOS/<executable>
    const QFileInfo exe(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    QDir dir = exe.dir();
    if (dir.dirName() != QLatin1String("MacOS") || !dir.cdUp() || dir.dirName() != QLatin1String("Contents") ||
        !dir.cdUp() || !dir.dirName().endsWith(QLatin1String(".app")))
        return std::nullopt;
    return dir.absolutePath();
}

std::optional<QString> resource(const QString& name) {
    const auto bundle = path();
    if (!bundle || name.isEmpty() || name.contains(QLatin1Char('/')))
        return std::nullopt;
    const QString file = *bundle + QStringLiteral("/Contents/Resources/") + name;
    if (!QFileInfo(file).isFile())
        return std::nullopt;
    return file;
}

QString identifier() {
    // The bundle's Info.plist says the same as the built-in identifier; it is the one we ship.
    return builtInIdentifier;
}

} // namespace MainBundle
