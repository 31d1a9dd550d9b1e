#include "onboarding/Setup.h"

#include "platform/archives/TreeCopy.h"
#include "platform/desktop/LoginItem.h"
#include "platform/desktop/RunningCopies.h"
#include "platform/files/FileOps.h"
#include "platform/files/Removal.h"
#include "platform/files/Sys.h"
#include "platform/files/Trash.h"
#include "platform/system/Defaults.h"
#include "platform/system/PropertyList.h"
#include "runtime/Error.h"
#include "runtime/FileError.h"
#include "runtime/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// The system runs a bundle from a randomised read-only place it marks with this fragment.
const QString translocated = u"/AppTranslocation/"_s;

// Whether two paths name one item: through links, another letter case on a folder that ignores
// it, or another mount of the same folder.
bool sameItem(const QString& a, const QString& b) {
    struct stat first {
    }, second{};
    return Sys::stat(QFile::encodeName(a), first) == 0 && Sys::stat(QFile::encodeName(b), second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// A path with its links resolved, or as given when it does not resolve.
QString resolved(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

// The system's Applications folder counts only when no user but root and this one can change
// what lies in it: a folder others may write could hand this user a planted copy.
bool trusted(const QString& folder) {
    struct stat info {};
    return Sys::stat(QFile::encodeName(folder), info) == 0 && S_ISDIR(info.st_mode) &&
           (info.st_uid == 0 || info.st_uid == ::geteuid()) && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0 &&
           ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

bool exists(const QString& path) {
    struct stat info {};
    return Sys::lstat(QFile::encodeName(path), info) == 0;
}

void copyTree(const QString& from, const QString& to) {
    try {
        TreeCopy::copy(from, to);
    } catch (const TreeCopy::Failure&) {
        const int error = errno;
        throw FileError(FileError::Op::Copy, from, error);
    }
}

// The launched copy: the running bundle itself, as nothing here runs translocated.
std::optional<QString> originalLocation(const QString& bundle) {
    if (bundle.contains(translocated))
        return std::nullopt;
    return bundle;
}

} // namespace

Setup::Setup(Environment environment) : e_(std::move(environment)) {}

Version::Texts Setup::version(const std::optional<QString>& bundle) {
    if (!bundle || bundle->isEmpty())
        return {};
    const auto info = PropertyList::dictionaryFromFile(*bundle + u"/Contents/Info.plist"_s);
    if (!info)
        return {};
    const auto text = [&info](const QString& key) -> std::optional<QString> {
        const QVariant value = info->value(key);
        if (value.typeId() != QMetaType::QString)
            return std::nullopt;
        return value.toString();
    };
    return {text(u"CFBundleShortVersionString"_s), text(u"CFBundleVersion"_s)};
}

bool Setup::takeOverFromOtherCopies() {
    const QList<RunningCopies::Copy> others = e_.copies->others();
    if (others.isEmpty())
        return true;
    const Version::Texts mine = version(e_.bundle);
    for (const RunningCopies::Copy& copy : others) {
        if (Version::isNewer(mine, version(copy.bundle)) == true) {
            e_.copies->activate(copy);
            e_.terminate();
            return false;
        }
    }
    for (const RunningCopies::Copy& copy : others)
        e_.copies->terminate(copy);
    return true;
}

bool Setup::isInApplications() const {
    if (isTranslocated())
        return false;
    const QString path = resolved(e_.bundle);
    return path.startsWith(resolved(u"/Applications"_s) + u'/') ||
           path.startsWith(resolved(e_.home + u"/Applications"_s) + u'/');
}

bool Setup::offersMove() const {
    if (isInApplications())
        return false;
    struct stat info {};
    return e_.bundle.isEmpty() || Sys::stat(QFile::encodeName(e_.bundle), info) != 0 || info.st_uid == ::geteuid();
}

bool Setup::isTranslocated() const { return e_.bundle.contains(translocated); }

std::optional<SetupStep> Setup::needs() const {
    if (offersMove() && !e_.defaults->boolean(skipMoveKey))
        return SetupStep::move;
    if (e_.defaults->boolean(askedLoginKey) || loginEnabled())
        return std::nullopt;
    return SetupStep::login;
}

Setup::Move Setup::move() const {
    Move move;
    move.source = e_.bundle;
    move.home = e_.home;
    return move;
}

QString Setup::moveToApplications(const Move& move) {
    QString folder = move.systemApplications;
    if (!trusted(folder)) {
        folder = move.home + u"/Applications"_s;
        if (!QDir().mkpath(folder))
            throw FileError(FileError::Op::Create, folder, errno);
    }
    const QString name = QFileInfo(move.source).fileName();
    const QString target = folder + u'/' + name;
    // The launched copy may already be the target (a linked folder, another letter case): then
    // there is nothing to copy, and trashing the target would trash the running copy.
    if (sameItem(move.source, target))
        return target;

    // Copied beside the target under a hidden name and renamed into place, so that a copy that
    // fails half-way never leaves a partial bundle at the target, nor costs the old one.
    const QString partial =
        folder + u"/."_s + name + u".moving-"_s + QUuid::createUuid().toString(QUuid::Id128).left(8);
    try {
        (move.copy ? move.copy : copyTree)(move.source, partial);
        if (exists(target))
            Trash::moveToUserTrash(target);
        if (const int error = FileOps::shared().renameNoReplace(partial, target))
            throw FileError(FileError::Op::Move, target, error);
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        try {
            if (exists(partial))
                Removal::removeItem(partial);
        } catch (...) {
            Log::swallowed(lcOnboarding(), "removing a partial copy", std::current_exception());
        }
        std::rethrow_exception(failure);
    }
    // Linux marks no download with a quarantine attribute, so there is none to clear.

    if (const auto launched = originalLocation(move.source); launched && !sameItem(*launched, target)) {
        try {
            Trash::moveToUserTrash(*launched);
        } catch (...) {
            // The new copy is in place; the old one merely stays where it was.
            Log::swallowed(lcOnboarding(), "trashing the launched copy", std::current_exception());
        }
    }
    return target;
}

bool Setup::claimMove() {
    if (moving_)
        return false;
    moving_ = true;
    return true;
}

QString Setup::program(const QString& bundle) const { return bundle + u"/Contents/MacOS/"_s + e_.executable; }

void Setup::followLoginItem() {
    try {
        e_.loginItem->follow();
    } catch (const std::exception& error) {
        qCWarning(lcOnboarding).noquote() << u"Launch at login: "_s + QString::fromUtf8(error.what());
    }
}

void Setup::relaunch(const QString& bundle) {
    // Before the relaunch, which may not start: the entry must not name the copy now in the Trash.
    e_.loginItem->setProgram(program(bundle));
    followLoginItem();
    if (!e_.relaunch(bundle, e_.executable))
        qCWarning(lcOnboarding) << "The relaunch could not be started.";
    e_.terminate();
}

void Setup::setLogin(bool on) {
    try {
        e_.loginItem->setEnabled(on);
    } catch (const std::exception& error) {
        qCWarning(lcOnboarding).noquote() << u"Launch at login: "_s + QString::fromUtf8(error.what());
    }
    e_.defaults->set(askedLoginKey, true);
}

void Setup::skipMove() { e_.defaults->set(skipMoveKey, true); }

bool Setup::loginEnabled() const { return e_.loginItem->enabled(); }

void Setup::answeredBoth() {
    e_.defaults->set(askedLoginKey, true);
    e_.defaults->set(skipMoveKey, true);
}
