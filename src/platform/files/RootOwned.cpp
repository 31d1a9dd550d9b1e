#include "platform/files/RootOwned.h"

#include "platform/files/RealPath.h"
#include "platform/files/Sys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace RootOwned {
namespace {

bool trusted(const QString& path) {
    struct stat st;
    return Sys::lstat(QFile::encodeName(path), st) == 0 && st.st_uid == 0 && (st.st_mode & 022) == 0;
}

// `real` holds no link: the item, then each folder above it.
std::optional<QString> firstUntrusted(const QString& real) {
    for (QString path = real;; path = QFileInfo(path).path()) {
        if (!trusted(path))
            return path;
        if (path == u"/")
            return std::nullopt;
    }
}

} // namespace

std::optional<QString> untrusted(const QString& path) {
    const auto real = realPath(path);
    if (!real)
        return path;
    if (auto found = firstUntrusted(*real))
        return found;
    // A link is only as safe as the folder it stands in.
    const auto folder = realPath(QFileInfo(path).path());
    if (!folder)
        return QFileInfo(path).path();
    return firstUntrusted(*folder);
}

std::optional<QString> untrustedFolder(const QString& folder) {
    if (auto found = untrusted(folder))
        return found;
    const QStringList names =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        if (auto found = untrusted(folder + u'/' + name))
            return found;
    }
    return std::nullopt;
}

} // namespace RootOwned
