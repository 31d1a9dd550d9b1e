#include "platform/codesign/CodeBundle.h"

#include "platform/system/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 maxInfoPlist = 4 * 1024 * 1024;

// One open, one fstat and the reads: the scan reads this for every bundle. Opened without
// waiting, so a pipe in its place is refused rather than waited on.
std::optional<QByteArray> readSmallFile(const QString& path, qint64 limit) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > limit)
        return std::nullopt;
    QByteArray bytes(qsizetype(info.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return std::nullopt;
        done += n;
    }
    return bytes;
}

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
    bundle.infoPlistBytes = readSmallFile(bundle.infoPlistPath, maxInfoPlist);
    if (bundle.infoPlistBytes) {
        const auto plist = PropertyList::fromBytes(*bundle.infoPlistBytes);
        if (plist && plist->typeId() == QMetaType::QVariantMap)
            bundle.info = plist->toMap();
    }
    if (bundle.info) {
        const QVariant name = bundle.info->value(QStringLiteral("CFBundleExecutable"));
        const QString file = name.typeId() == QMetaType::QString ? name.toString() : QString();
        if (!file.isEmpty() && !file.contains(u'/') && file != u".." && file != u".") {
            const QString candidate = executableFolder + u'/' + file;
            if (QFileInfo(candidate).isFile() && isInside(candidate, path))
                bundle.executablePath = candidate;
        }
    }
    return bundle;
}
