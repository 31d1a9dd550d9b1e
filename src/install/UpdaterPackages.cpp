// Finding an installer package in a download, reading who signed it and deciding whether it
// may run.
#include "install/Updater.h"

#include "platform/files/Sys.h"
#include "install/PackageSigner.h"
#include "platform/system/ToolPaths.h"
#include "runtime/FileError.h"
#include "platform/archives/Extraction.h"
#include "platform/files/RealPath.h"
#include "runtime/OutsideText.h"
#include "runtime/UpdateError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Up to four bytes from the start of `path`; empty on any error.
QByteArray headOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4);
}

QByteArray readUpTo(int fd, qsizetype size, const QString& path) {
    QByteArray out(size, Qt::Uninitialized);
    const ssize_t done = Sys::readFull(fd, out.data(), size_t(size));
    if (done < 0)
        throw FileError(FileError::Op::Read, path, errno);
    out.truncate(done);
    return out;
}

void take(const QString& root, const QString& named, const QString& target) {
    const QString realRoot = realPath(root).value_or(root);
    QStringList candidates{root + u'/' + named};
    // The file system's own order of the shallow listing.
    const QStringList entries =
        QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString& entry : entries)
        candidates << root + u'/' + entry + u'/' + named;
    for (const QString& candidate : candidates) {
        struct stat st;
        // Only a regular file is opened: a pipe named like the package would block the read.
        if (Sys::lstat(QFile::encodeName(candidate), st) != 0 || !S_ISREG(st.st_mode))
            continue;
        // Nor is a package reached through a folder link that leaves the download.
        const auto real = realPath(candidate);
        if (!real || !Extraction::isInside(*real, realRoot))
            continue;
        if (headOf(candidate) == "xar!") {
            Updater::run(ToolPaths::ditto, {candidate, target});
            return;
        }
    }
    throw UpdateError(QStringLiteral("The download doesn't contain the installer package ") +
                      OutsideText::isolated(named) + u'.');
}

} // namespace

std::optional<QString> Updater::package(const QString& download, const std::optional<QString>& named,
                                        const QString& work) {
    const QString target = work + QStringLiteral("/package.pkg");
    if (headOf(download) == "xar!") {
        if (Sys::rename(QFile::encodeName(download), QFile::encodeName(target)) != 0) {
            const int error = errno;
            // Across file systems the move is a copy and a removal.
            if (error != EXDEV || !QFile::copy(download, target) || !QFile::remove(download))
                throw FileError(FileError::Op::Move, download, error);
        }
        return target;
    }
    if (!named || QFileInfo(*named).fileName() != *named || named->contains(u'/') ||
        !named->toLower().endsWith(QStringLiteral(".pkg")))
        return std::nullopt;

    UniqueFd fd = Sys::open(QFile::encodeName(download), O_RDONLY | O_CLOEXEC);
    if (!fd)
        throw FileError(FileError::Op::Open, download, errno);
    const QByteArray head = readUpTo(fd.get(), 4, download);
    const off_t size = ::lseek(fd.get(), 0, SEEK_END);
    if (size < 0)
        throw FileError(FileError::Op::Read, download, errno);
    QByteArray trailer;
    if (size >= 512) {
        if (::lseek(fd.get(), size - 512, SEEK_SET) < 0)
            throw FileError(FileError::Op::Read, download, errno);
        trailer = readUpTo(fd.get(), 4, download);
    }
    if (const int error = fd.close())
        throw FileError(FileError::Op::Read, download, error);

    if (head == QByteArray("PK\x03\x04", 4)) {
        const QString unpacked = work + QStringLiteral("/unpacked");
        run(ToolPaths::ditto, {QStringLiteral("-x"), QStringLiteral("-k"), download, unpacked});
        confine(unpacked);
        take(unpacked, *named, target);
        return target;
    }
    if (trailer == "koly") {
        const QString mount = work + QStringLiteral("/mount");
        attach(download, mount);
        try {
            take(mount, *named, target);
        } catch (...) {
            detach(mount);
            throw;
        }
        detach(mount);
        return target;
    }
    throw UpdateError(QStringLiteral("Unsupported download format. Quenlark installs from .pkg, .zip and .dmg only."));
}

PackageSigner Updater::packageSigner(const QString& package) {
    const Subprocess::Output signature = output(ToolPaths::pkgutil, {QStringLiteral("--check-signature"), package});
    const Subprocess::Output assessment =
        output(ToolPaths::spctl, {QStringLiteral("--assess"), QStringLiteral("--type"), QStringLiteral("install"),
                                  QStringLiteral("-vv"), package});
    return PackageSigner::from(signature.status, signature.text, assessment.status, assessment.text);
}

QString Updater::checkPackage(const PackageSigner& signer, const QString& appName,
                              const std::optional<QString>& expected) {
    const QString name = OutsideText::isolated(appName); // as our sentences show it
    if (!signer.status.startsWith(QStringLiteral("signed")))
        throw UpdateError(name +
                          QStringLiteral("'s installer package isn't signed, so Quenlark can't tell who made it. "
                                         "Refusing to run it."));
    const std::optional<QString> team = signer.team();
    if (!(signer.trusted && signer.leaf && signer.leaf->startsWith(QStringLiteral("Developer ID Installer: ")) && team))
        throw UpdateError(
            name + QStringLiteral("'s installer package is signed by ") +
            OutsideText::isolated(signer.leaf, QStringLiteral("an unknown certificate")) + QStringLiteral(" (") +
            signer.status +
            QStringLiteral("), not a Developer ID Installer certificate from Apple. Refusing to run it."));
    if (!signer.accepted)
        throw UpdateError(QStringLiteral("Gatekeeper rejects ") + name +
                          QStringLiteral("'s installer package (spctl --assess --type install), for example because it "
                                         "isn't notarized or its certificate was revoked. Refusing to run it."));
    if (!expected) {
        if (signer.notarized)
            return *team;
        throw UpdateError(name +
                          QStringLiteral("'s installer package isn't notarized by Apple, and your other Mac has no "
                                         "developer on record to compare it with. Refusing to run it."));
    }
    if (*expected == *team)
        return *team;
    throw UpdateError(QStringLiteral("Team ID mismatch: ") + name +
                      QStringLiteral(" on your other Mac was signed by ") + OutsideText::isolated(*expected) +
                      QStringLiteral(", this package by ") + OutsideText::isolated(*team) +
                      QStringLiteral(". Refusing to run it."));
}
