#include "platform/codesign/CodeBundle.h"

#include "platform/files/SmallFile.h"
#include "platform/files/Sys.h"
#include "platform/system/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Whether `path`, made of plain names below `root`, stays inside it. Without a link on the way
// down it does; only a link needs the whole path resolved.
bool isInside(const QString& path, const QString& root) {
    if (!path.startsWith(root + u'/'))
        return false;
    bool linked = false;
    for (qsizetype at = path.indexOf(u'/', root.size() + 1); !linked; at = path.indexOf(u'/', at + 1)) {
        struct stat info {};
        if (::lstat(QFile::encodeName(at < 0 ? path : path.left(at)).constData(), &info) != 0)
            return false;
        linked = S_ISLNK(info.st_mode);
        if (at < 0)
            break;
    }
    if (!linked)
        return true;
    const QString real = QFileInfo(path).canonicalFilePath();
    const QString realRoot = QFileInfo(root).canonicalFilePath();
    return !real.isEmpty() && !realRoot.isEmpty() && real.startsWith(realRoot + u'/');
}

// A regular file at `candidate`, reached from `root` without leaving it.
bool isFileInside(const QString& candidate, const QString& root) {
    return QFileInfo(candidate).isFile() && isInside(candidate, root);
}

} // namespace

std::optional<CodeBundle> CodeBundle::at(const QString& given) {
    QString path = given;
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return std::nullopt;
    CodeBundle bundle;
    bundle.path = path;
    if (!info.isDir())
        return bundle;
    bundle.isBundle = true;
    QString executableFolder;
    if (QFileInfo(path + QStringLiteral("/Contents")).isDir()) {
        bundle.contentRoot = path + QStringLiteral("/Contents");
        bundle.infoPlistPath = bundle.contentRoot + QStringLiteral("/Info.plist");
        executableFolder = bundle.contentRoot + QStringLiteral("/MacOS");
    } else if (QFileInfo(path + QStringLiteral("/Versions/Current")).isDir()) {
        bundle.contentRoot = path + QStringLiteral("/Versions/Current");
        bundle.infoPlistPath = bundle.contentRoot + QStringLiteral("/Resources/Info.plist");
        executableFolder = bundle.contentRoot;
    } else {
        bundle.contentRoot = path;
        bundle.infoPlistPath = path + QStringLiteral("/Info.plist");
        executableFolder = path;
    }
    bundle.resourcesPath = bundle.contentRoot + QStringLiteral("/_CodeSignature/CodeResources");
    bundle.ticketPath = bundle.contentRoot + QStringLiteral("/CodeResources");
    bundle.infoPlistBytes = SmallFile::read(bundle.infoPlistPath, maxInfoPlist);
    if (bundle.infoPlistBytes) {
        const auto plist = PropertyList::fromBytes(*bundle.infoPlistBytes);
        if (plist && plist->typeId() == QMetaType::QVariantMap)
            bundle.info = plist->toMap();
    }
    if (const auto file = bundle.info ? executableName(*bundle.info) : std::nullopt) {
        const QString candidate = executableFolder + u'/' + *file;
        if (isFileInside(candidate, path))
            bundle.executablePath = candidate;
    }
    return bundle;
}

std::optional<QString> CodeBundle::executableName(const QVariantMap& info) {
    const QVariant name = info.value(QStringLiteral("CFBundleExecutable"));
    const QString file = name.typeId() == QMetaType::QString ? name.toString() : QString();
    if (file.isEmpty() || file.contains(u'/') || file == u".." || file == u".")
        return std::nullopt;
    return file;
}

std::optional<FileReader> CodeBundle::openInside(int folder, const QString& path, const QString& relative) {
    constexpr int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    const QByteArray name = QFile::encodeName(relative);
    UniqueFd fd = Sys::openatWithoutLinks(folder, name, flags);
    // A link on the way, or a kernel (or sandbox) without the call: the path is checked instead.
    if (!fd && (errno == ELOOP || errno == ENOSYS || errno == EPERM)) {
        const QString candidate = path + u'/' + relative;
        if (isFileInside(candidate, path))
            fd = Sys::openat(folder, name, flags);
    }
    return FileReader::of(std::move(fd));
}
