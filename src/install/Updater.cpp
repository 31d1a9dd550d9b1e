#include "install/Updater.h"

#include "platform/files/Sys.h"
#include "platform/files/RealPath.h"

#include "platform/archives/Extraction.h"
#include "platform/system/PropertyList.h"
#include "platform/system/ToolFailure.h"
#include "platform/system/ToolPaths.h"
#include "runtime/FileError.h"
#include "runtime/UpdateError.h"
#include "runtime/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVariantMap>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isLink(const QString& path) {
    struct stat st;
    // An entry whose status can't be read counts as not a link.
    return Sys::lstat(QFile::encodeName(path), st) == 0 && S_ISLNK(st.st_mode);
}

// Hidden entries included, links left out, in name order.
QStringList entriesWithoutLinks(const QString& folder) {
    QStringList out;
    const QStringList names =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        const QString path = folder + QLatin1Char('/') + name;
        if (!isLink(path))
            out << path;
    }
    return out;
}

bool isAppName(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 && name.mid(dot + 1) == QLatin1String("app");
}

} // namespace

QByteArray Updater::run(const QString& tool, const QStringList& arguments, const std::optional<QByteArray>& input) {
    // The stand-in's link carries the platform tool's name, so a failure names the same tool.
    try {
        return Subprocess::run(ToolPaths::local(tool), arguments, input);
    } catch (const ToolFailure& failure) {
        throw UpdateError(failure.description());
    }
}

Subprocess::Output Updater::output(const QString& tool, const QStringList& arguments) {
    return Subprocess::output(ToolPaths::local(tool), arguments);
}

QList<Processes::RunningApp> Updater::running(const InstalledApp& app) { return Processes::running(app.url); }

bool Updater::licenseAgreementIn(int status, const QString& text) {
    if (status != 0)
        return false;
    const qsizetype start = text.indexOf(QLatin1String("<?xml"));
    if (start < 0)
        return false;
    const auto plist = PropertyList::fromBytes(text.mid(start).toUtf8());
    if (!plist || plist->typeId() != QMetaType::QVariantMap)
        return false;
    const QVariant properties = plist->toMap().value(QStringLiteral("Properties"));
    if (properties.typeId() != QMetaType::QVariantMap)
        return false;
    const QVariant agreement = properties.toMap().value(QStringLiteral("Software License Agreement"));
    return agreement.typeId() == QMetaType::Bool && agreement.toBool();
}

bool Updater::hasLicenseAgreement(const QString& image) {
    const Subprocess::Output info =
        output(ToolPaths::hdiutil, {QStringLiteral("imageinfo"), QStringLiteral("-plist"), image});
    return licenseAgreementIn(info.status, info.text);
}

bool Updater::attach(const QString& image, const QString& mountPoint) {
    const bool agreement = hasLicenseAgreement(image);
    run(ToolPaths::hdiutil,
        {QStringLiteral("attach"), QStringLiteral("-nobrowse"), QStringLiteral("-readonly"),
         QStringLiteral("-noautoopen"), QStringLiteral("-mountpoint"), mountPoint, image},
        agreement ? std::optional<QByteArray>(QByteArray("Y\n")) : std::nullopt);
    return agreement;
}

void Updater::detach(const QString& mountPoint) {
    try {
        run(ToolPaths::hdiutil, {QStringLiteral("detach"), QStringLiteral("-force"), mountPoint});
    } catch (...) {
        // A failed detach is never reported; the work folder goes with the install.
        Log::swallowed(lcInstall(), "Detaching the disk image", std::current_exception());
    }
}

Updater::Extracted Updater::extract(const QString& file, const QString& work, const QString& bundleID) {
    const QString extracted = work + QStringLiteral("/extracted");
    // The format is told by its bytes: the zip signature first, then the image trailer.
    UniqueFd fd = Sys::open(QFile::encodeName(file), O_RDONLY | O_CLOEXEC);
    if (!fd)
        throw FileError(FileError::Op::Open, file, errno);
    char bytes[4];
    const ssize_t got = Sys::readFull(fd.get(), bytes, sizeof bytes);
    const off_t size = got < 0 ? -1 : ::lseek(fd.get(), 0, SEEK_END);
    if (got < 0 || size < 0)
        throw FileError(FileError::Op::Read, file, errno);
    const QByteArray head(bytes, got);
    QByteArray trailer;
    if (size >= 512) {
        const ssize_t n = Sys::pread(fd.get(), bytes, sizeof bytes, size - 512);
        if (n < 0)
            throw FileError(FileError::Op::Read, file, errno);
        trailer = QByteArray(bytes, n);
    }
    // A failed close is an error too.
    if (const int error = fd.close())
        throw FileError(FileError::Op::Read, file, error);

    if (head == QByteArrayLiteral("PK\x03\x04")) {
        run(ToolPaths::ditto, {QStringLiteral("-x"), QStringLiteral("-k"), file, extracted});
        confine(extracted);
        return {findApp(extracted, bundleID), false};
    }
    if (trailer == "koly") {
        const QString mount = work + QStringLiteral("/mount");
        const bool agreement = attach(file, mount);
        try {
            const QString inside = findApp(mount, bundleID);
            run(ToolPaths::ditto, {inside, extracted + QLatin1Char('/') + QFileInfo(inside).fileName()});
        } catch (...) {
            detach(mount);
            throw;
        }
        detach(mount);
        return {findApp(extracted, bundleID), agreement};
    }
    throw UpdateError(QStringLiteral("Unsupported download format. Quenlark installs from .zip and .dmg only."));
}

void Updater::confine(const QString& rootPath) {
    const auto root = realPath(rootPath);
    if (!root)
        throw UpdateError(QStringLiteral("The download couldn't be unpacked."));
    const QString& r = *root;
    // Depth first, in name order; a linked folder is looked at as a link and never entered.
    QStringList pending{r};
    while (!pending.isEmpty()) {
        const QString folder = pending.takeFirst();
        QStringList below;
        const QStringList names =
            QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& name : names) {
            const QString path = folder + QLatin1Char('/') + name;
            struct stat st;
            // An entry that can't be looked at might be a link leading anywhere.
            if (Sys::lstat(QFile::encodeName(path), st) != 0)
                throw UpdateError(QStringLiteral("The download couldn't be unpacked."));
            if (S_ISDIR(st.st_mode)) {
                below << path;
                continue;
            }
            if (!S_ISLNK(st.st_mode))
                continue;
            char buffer[PATH_MAX];
            const ssize_t n = Sys::readlink(QFile::encodeName(path), buffer, sizeof buffer - 1);
            const QString target = n >= 0 ? QFile::decodeName(QByteArray(buffer, n)) : QStringLiteral("/");
            const QString refusal = QStringLiteral("The download contains a link to a location outside the app (") +
                                    name + QStringLiteral(" \u2192 ") + target +
                                    QStringLiteral("). Refusing to install.");
            const QString lexical = Extraction::resolveLexically(folder, target);
            if (!Extraction::isInside(lexical, r))
                throw UpdateError(refusal);
            // A dangling link is followed as far as its target exists, so that it can't climb out
            // through another link while looking inside on paper.
            const QString resolved = realPath(path).value_or(Extraction::resolveAsFarAsExists(folder, target));
            if (!Extraction::isInside(resolved, r))
                throw UpdateError(refusal);
        }
        pending = below + pending;
    }
}

std::optional<QString> Updater::bundleIdentifier(const QString& bundle) {
    const auto info = PropertyList::dictionaryFromFile(bundle + QStringLiteral("/Contents/Info.plist"));
    if (!info)
        return std::nullopt;
    const QVariant id = info->value(QStringLiteral("CFBundleIdentifier"));
    if (id.typeId() != QMetaType::QString)
        return std::nullopt;
    return id.toString();
}

QString Updater::findApp(const QString& folder, const QString& bundleID, const IdentifierReader& identifierOf) {
    QStringList candidates;
    for (const QString& entry : entriesWithoutLinks(folder)) {
        if (isAppName(entry)) {
            candidates << entry;
            continue;
        }
        for (const QString& inner : entriesWithoutLinks(entry)) {
            if (isAppName(inner))
                candidates << inner;
        }
    }
    if (candidates.isEmpty())
        throw UpdateError(QStringLiteral("The download doesn't contain an app."));
    for (const QString& candidate : candidates) {
        if (identifierOf && identifierOf(candidate) == bundleID)
            return candidate;
    }
    return candidates.first();
}
