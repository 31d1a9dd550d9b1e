#include "platform/system/ToolPaths.h"

#include <QDir>
#include <QFileInfo>

#include <atomic>
#include <mutex>

namespace ToolPaths {
namespace {

std::atomic<bool> macForm{false};
std::mutex folderLock;
QString installedOverride;
QString anchorsOverride;

QString defaultFolder() {
    const QFileInfo exe(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    const QDir bin = exe.dir();
    // Quenlark.app/Contents/MacOS/quenlark -> Quenlark.app/Contents/Helpers
    if (bin.dirName() == QLatin1String("MacOS")) {
        const QString helpers = QDir::cleanPath(bin.absoluteFilePath(QStringLiteral("../Helpers")));
        if (QFileInfo::exists(helpers + QStringLiteral("/quenlark-tools")))
            return helpers;
    }
    // <prefix>/bin/quenlark -> <prefix>/libexec/quenlark; in the build tree the executables sit
    // one folder below the build folder, like bin below the prefix.
    return QDir::cleanPath(bin.absoluteFilePath(QStringLiteral("../libexec/quenlark")));
}

} // namespace

bool isStandIn(const QString& path) {
    static const QString tools[] = {ditto, hdiutil, pkgutil, spctl, installer, osascript, launchctl};
    for (const QString& t : tools) {
        if (path == t)
            return true;
    }
    return false;
}

QString folder() {
    static const QString found = defaultFolder();
    return found;
}

QString local(const QString& path) {
    if (macForm)
        return path;
    if (isStandIn(path))
        return folder() + QLatin1Char('/') + QFileInfo(path).fileName();
    if (path == privateTmp)
        return QStringLiteral("/tmp");
    return path;
}

bool isMacForm() { return macForm; }

QString installedFolder() {
    std::lock_guard lock(folderLock);
    return installedOverride.isEmpty()
               ? QString::fromUtf8(QUENLARK_INSTALL_PREFIX) + QStringLiteral("/libexec/quenlark")
               : installedOverride;
}

QString installedAnchors() {
    std::lock_guard lock(folderLock);
    return anchorsOverride.isEmpty()
               ? QString::fromUtf8(QUENLARK_INSTALL_PREFIX) + QStringLiteral("/share/quenlark/anchors")
               : anchorsOverride;
}

QString installed(const QString& path) {
    if (!macForm && isStandIn(path))
        return installedFolder() + QLatin1Char('/') + QFileInfo(path).fileName();
    return local(path);
}

bool unprivilegedElevation() { return qgetenv("QUENLARK_ELEVATION") == "unprivileged"; }

void setInstalledForTest(const QString& folder, const QString& anchors) {
    std::lock_guard lock(folderLock);
    installedOverride = folder;
    anchorsOverride = anchors;
}

void setMacFormForTest(bool on) { macForm = on; }

} // namespace ToolPaths
