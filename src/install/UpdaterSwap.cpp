#include "install/Updater.h"

#include "platform/files/FileOps.h"
#include "platform/files/Removal.h"
#include "platform/system/ToolPaths.h"
#include "platform/files/Trash.h"
#include "runtime/Error.h"
#include "runtime/FileError.h"
#include "runtime/UpdateError.h"
#include "runtime/Log.h"
#include "platform/files/Sys.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void removeQuietly(const QString& path) {
    try {
        Removal::removeItem(path);
    } catch (...) {
        // Clean-up never replaces the outcome being reported.
        Log::swallowed(lcInstall(), "Removing a staged copy", std::current_exception());
    }
}

} // namespace

void Updater::moveToTrash(const QString& item) const {
    if (trash)
        Trash::moveInto(item, *trash);
    else
        Trash::moveToUserTrash(item);
}

Updater::Swapped Updater::swap(const QString& newApp, const QString& old) const {
    const QFileInfo oldInfo(old);
    // Beside the bundle, so the exchange stays on one volume.
    const QString staging = oldInfo.path() + QStringLiteral("/.quenlark-") +
                            QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    if (Sys::mkdir(QFile::encodeName(staging), 0777) != 0)
        throw FileError(FileError::Op::Create, staging, errno);

    const QString staged = staging + QLatin1Char('/') + oldInfo.fileName();
    try {
        run(ToolPaths::ditto, {newApp, staged});
    } catch (...) {
        removeQuietly(staging);
        throw;
    }

    if (const int error = FileOps::shared().exchange(staged, old); error != 0) {
        const std::exception_ptr mapped =
            UpdateError::from(std::make_exception_ptr(FileError(FileError::Op::Move, old, error)), oldInfo.completeBaseName());
        removeQuietly(staging);
        std::rethrow_exception(mapped);
    }

    // The new version is in place now. An old copy that can't be trashed stays in the staging
    // folder, where it can be recovered; the caller says so instead of failing the update.
    try {
        moveToTrash(staged);
    } catch (const Error& error) {
        return {staged, error.description()};
    }
    Sys::rmdir(QFile::encodeName(staging)); // only when empty; a failure is ignored
    return {QString(), std::nullopt};
}
