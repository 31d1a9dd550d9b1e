#include "install/Updater.h"

#include "platform/files/FileOps.h"
#include "platform/files/Removal.h"
#include "platform/system/ToolPaths.h"
#include "platform/files/Trash.h"
#include "runtime/Error.h"
#include "runtime/FileError.h"
#include "runtime/UpdateError.h"
#include "runtime/Log.h"
#include "runtime/OutsideText.h"
#include "platform/files/Sys.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>
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
    const QString staging =
        oldInfo.path() + QStringLiteral("/.quenlark-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
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
        const std::exception_ptr mapped = UpdateError::from(
            std::make_exception_ptr(FileError(FileError::Op::Move, old, error)), oldInfo.completeBaseName());
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

QCoro::Task<QString> Updater::place(QString bundle, QString name, bool movable) const {
    const Updater self = *this;
    auto work = [self, bundle, name, movable] { return self.placeNow(bundle, name, movable); };
    co_return co_await blocking(work);
}

QString Updater::placeNow(const QString& bundle, const QString& name, bool movable) const {
    const QString file = QFileInfo(bundle).fileName();
    const QString destination = applications + u'/' + file;
    const UpdateError taken(OutsideText::isolated(file) + QStringLiteral(" is already in ") + applications + u'.');
    struct stat st;
    if (Sys::lstat(QFile::encodeName(destination), st) == 0)
        throw taken;

    // On one volume the checked bundle itself moves in, with nothing copied after its checks.
    // Across volumes, or where the rename can't be exclusive, it is copied in as below.
    if (movable) {
        const int error = FileOps::shared().renameExclusive(bundle, destination);
        if (error == 0)
            return destination;
        if (error == EEXIST)
            throw taken; // it appeared since the look above
    }

    // Inside the target folder, so the final move is a rename on one volume.
    const QString staging = applications + QStringLiteral("/.quenlark-") +
                            QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + QStringLiteral(".app");
    try {
        run(ToolPaths::ditto, {bundle, staging});
    } catch (...) {
        // A copy that stopped part-way leaves nothing hidden in the folder.
        removeQuietly(staging);
        throw;
    }
    // Only where nothing is: whatever appeared at the destination since the look above stays.
    if (const int error = FileOps::shared().renameExclusive(staging, destination); error != 0) {
        removeQuietly(staging);
        if (error == EEXIST)
            throw taken; // it appeared since the look above
        if (error == EINVAL || error == ENOSYS)
            throw UpdateError(
                QStringLiteral("The file system of ") + applications +
                QStringLiteral(" can't move an app into place without the risk of replacing another, so ") +
                OutsideText::isolated(name) + QStringLiteral(" wasn't installed."));
        std::rethrow_exception(
            UpdateError::from(std::make_exception_ptr(FileError(FileError::Op::Move, destination, error)), name));
    }
    return destination;
}

std::optional<QString> Updater::installedApplication(const QString& bundleID, const QString& folder) {
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.app")}, QDir::Dirs | QDir::NoSymLinks);
    for (const QString& entry : names) {
        const QString path = folder + u'/' + entry;
        if (bundleIdentifier(path) == bundleID)
            return path;
    }
    return std::nullopt;
}
