#include "install/WorkFolder.h"

#include "platform/files/Removal.h"
#include "runtime/Blocking.h"
#include "runtime/FileError.h"
#include "runtime/Log.h"
#include "platform/files/Sys.h"

#include <QDir>
#include <QFile>
#include <QUuid>

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace {

// Makes every folder below `path` (itself included) listable and writable by its owner, so
// that its entries can be removed. Links are never followed.
void giveWriteAccess(const QByteArray& path) {
    struct stat st;
    if (Sys::lstat(path, st) != 0 || !S_ISDIR(st.st_mode))
        return;
    if ((st.st_mode & S_IRWXU) != S_IRWXU)
        Sys::chmod(path, (st.st_mode & 07777) | S_IRWXU);
    const Sys::Folder dir = Sys::openFolder(path);
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        if (entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN)
            giveWriteAccess(path + '/' + name);
    }
}

} // namespace

namespace WorkFolder {

QString create() {
    const QString base = QDir::tempPath();
    if (!QDir().mkpath(base))
        throw FileError(FileError::Op::Create, base, errno ? errno : EACCES);
    const QString folder =
        base + QStringLiteral("/quenlark-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QByteArray native = QFile::encodeName(folder);
    if (Sys::mkdir(native, 0700) != 0)
        throw FileError(FileError::Op::Create, folder, errno);
    Sys::chmod(native, 0700); // whatever the umask says
    return folder;
}

void remove(const QString& folder) noexcept {
    try {
        giveWriteAccess(QFile::encodeName(folder));
        Removal::removeItem(folder);
    } catch (...) {
        // Clean-up never replaces the outcome being reported.
        Log::swallowed(lcInstall(), "Removing the work folder", std::current_exception());
    }
}

QCoro::Task<void> cleanUp(QString folder) {
    auto work = [folder]() noexcept { remove(folder); };
    co_await Blocking::run(work);
}

} // namespace WorkFolder
