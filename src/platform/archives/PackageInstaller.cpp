#include "platform/archives/PackageInstaller.h"

#include "platform/files/RealPath.h"

#include "platform/archives/Extraction.h"
#include "platform/archives/PayloadStream.h"
#include "platform/archives/TreeCopy.h"
#include "platform/archives/XarArchive.h"
#include "platform/archives/XarDataStream.h"
#include "platform/files/FileOps.h"
#include "platform/files/Removal.h"
#include "platform/files/Sys.h"
#include "runtime/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace PackageInstaller {
namespace {

constexpr qint64 maxPackageInfo = 1024 * 1024;

[[noreturn]] void fail(const QString& sentence) { throw Failure(sentence.toStdString()); }

QString installLocation(const XarArchive& archive, const XarArchive::Entry* info) {
    if (!info)
        return QStringLiteral("/");
    QXmlStreamReader xml(archive.read(*info, maxPackageInfo));
    while (xml.readNextStartElement()) {
        if (xml.name() == u"pkg-info") {
            const QString location = xml.attributes().value(QStringLiteral("install-location")).toString();
            return location.isEmpty() ? QStringLiteral("/") : location;
        }
        xml.skipCurrentElement();
    }
    fail(QStringLiteral("The package's description is damaged."));
}

// The moves of an install, decided for every entry of every component before anything is
// written, so that a refused package leaves the target as it was.
class Plan {
public:
    explicit Plan(QString target) : target_(std::move(target)) {}

    // target + location, through links that stay inside the target; folders still missing are
    // planned. `existing` is the deepest folder of it that exists (where its staging goes).
    QString location(const QString& location, QString& existing) {
        QString path = target_;
        existing = target_;
        for (const QString& part : location.split(u'/', Qt::SkipEmptyParts)) {
            if (part == u".")
                continue;
            if (part == u"..")
                fail(QStringLiteral("The package's install location leaves the target. Refusing to install it."));
            const QString next = join(path, part);
            switch (kindAt(next)) {
            case Kind::None:
                makeFolder(next, 0755);
                break;
            case Kind::Folder:
                if (!planned_.contains(next))
                    existing = next;
                break;
            case Kind::Link: {
                const QString resolved = followed(next);
                if (resolved.isEmpty())
                    fail(QStringLiteral("The package's install location leaves the target. Refusing to install it."));
                path = existing = resolved;
                continue;
            }
            case Kind::Item:
                fail(QStringLiteral("The package's install location couldn't be created."));
            }
            path = next;
        }
        return path;
    }

    // Decides every entry of the staged tree `from` against `to`: a folder over a folder merges,
    // a folder over a link follows it to a folder inside the target, a file or link over a file
    // or link replaces it with one rename; anything else refuses the package.
    void merge(const QString& from, const QString& to) {
        const QStringList names =
            QDir(from).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& name : names) {
            const QString source = from + u'/' + name;
            const QString destination = join(to, name);
            struct stat st;
            if (Sys::lstat(QFile::encodeName(source), st) != 0)
                fail(QStringLiteral("The package's payload couldn't be unpacked."));
            const Kind there = kindAt(destination);
            if (S_ISDIR(st.st_mode)) {
                switch (there) {
                case Kind::None:
                    makeFolder(destination, st.st_mode & 07777);
                    merge(source, destination);
                    break;
                case Kind::Folder:
                    merge(source, destination);
                    break;
                case Kind::Link: {
                    const QString resolved = followed(destination);
                    if (resolved.isEmpty())
                        fail(QStringLiteral("The package's payload would write through the link %1, which leads out of "
                                            "the target. Refusing to install it.")
                                 .arg(shown(destination)));
                    merge(source, resolved);
                    break;
                }
                case Kind::Item:
                    fail(QStringLiteral("The package's payload would put a folder where the file %1 is. Refusing to "
                                        "install it.")
                             .arg(shown(destination)));
                }
                continue;
            }
            if (there == Kind::Folder)
                fail(QStringLiteral("The package's payload would replace the folder %1 with a file. Refusing to "
                                    "install it.")
                         .arg(shown(destination)));
            steps_.append({Step::Move, source, destination, 0});
            planned_.insert(destination, false);
        }
    }

    // Gives every item to be moved a staged copy on its destination's own file system, so that
    // moving it in is a rename there too (a payload may cross a mount point inside the target).
    // Copies go to one staging folder per file system, in `staging`; nothing is moved yet.
    void stageOnDestinations(QStringList& staging) {
        QHash<dev_t, QString> folders;
        for (qsizetype i = 0; i < steps_.size(); ++i) {
            Step& step = steps_[i];
            if (step.kind != Step::Move)
                continue;
            struct stat from, there;
            const QString existing = existingFolderOf(step.to);
            if (Sys::lstat(QFile::encodeName(step.from), from) != 0 ||
                Sys::stat(QFile::encodeName(existing), there) != 0)
                fail(QStringLiteral("The package's payload couldn't be unpacked."));
            if (from.st_dev == there.st_dev)
                continue;
            QString& folder = folders[there.st_dev];
            if (folder.isEmpty()) {
                QByteArray pattern = QFile::encodeName(existing + QStringLiteral("/.quenlark-payload.XXXXXX"));
                if (!Sys::makeTemporaryFolder(pattern))
                    fail(QStringLiteral("The package's payload couldn't be unpacked."));
                folder = QFile::decodeName(pattern);
                staging << folder;
            }
            const QString copy = folder + u'/' + QString::number(i);
            try {
                TreeCopy::copy(step.from, copy);
            } catch (const TreeCopy::Failure&) {
                fail(QStringLiteral("The package's payload couldn't be unpacked."));
            }
            step.from = copy;
        }
    }

    // Carries the plan out: folders are made, items renamed into place (an item replaces a
    // file or link by an exchange, never writing through it, and the old one stays staged),
    // then the new folders get their modes. A step that fails undoes the ones before it.
    void run() const {
        QList<Done> done;
        for (const Step& step : steps_) {
            const Done next = carryOut(step);
            if (next.how == Done::Failed) {
                undo(done);
                fail(QStringLiteral("The package's files couldn't be moved into place."));
            }
            done.append(next);
        }
        for (auto step = steps_.crbegin(); step != steps_.crend(); ++step) {
            if (step->kind == Step::MakeFolder)
                Sys::chmod(QFile::encodeName(step->to), step->mode);
        }
    }

private:
    enum class Kind { None, Folder, Link, Item };
    struct Step {
        enum { MakeFolder, Move } kind;
        QString from;
        QString to;
        mode_t mode;
    };

    // What a step did, so that it can be undone.
    struct Done {
        enum { Failed, MadeFolder, Moved, Exchanged, PutAside } how;
        const Step* step;
    };

    static QString asideOf(const Step& step) { return step.from + QStringLiteral(".replaced"); }

    static Done carryOut(const Step& step) {
        const QByteArray to = QFile::encodeName(step.to);
        if (step.kind == Step::MakeFolder)
            return {Sys::mkdir(to, 0700) == 0 ? Done::MadeFolder : Done::Failed, &step};
        FileOps& ops = FileOps::shared();
        struct stat st;
        if (Sys::lstat(to, st) != 0)
            return {ops.renameNoReplace(step.from, step.to) == 0 ? Done::Moved : Done::Failed, &step};
        const int exchanged = ops.exchange(step.from, step.to);
        if (exchanged != EINVAL)
            return {exchanged == 0 ? Done::Exchanged : Done::Failed, &step};
        // A file system without the exchange: the old item is put aside first.
        if (ops.renameNoReplace(step.to, asideOf(step)) != 0)
            return {Done::Failed, &step};
        if (ops.renameNoReplace(step.from, step.to) == 0)
            return {Done::PutAside, &step};
        Sys::rename(QFile::encodeName(asideOf(step)), to);
        return {Done::Failed, &step};
    }

    // Puts back what the steps did, the last first; what can't be put back is logged.
    static void undo(const QList<Done>& done) {
        for (auto it = done.crbegin(); it != done.crend(); ++it) {
            const Step& step = *it->step;
            const QByteArray from = QFile::encodeName(step.from), to = QFile::encodeName(step.to);
            bool undone = true;
            switch (it->how) {
            case Done::MadeFolder:
                undone = Sys::rmdir(to) == 0;
                break;
            case Done::Moved:
                undone = Sys::rename(to, from) == 0;
                break;
            case Done::Exchanged:
                undone = FileOps::shared().exchange(step.from, step.to) == 0;
                break;
            case Done::PutAside:
                undone = Sys::rename(to, from) == 0 && Sys::rename(QFile::encodeName(asideOf(step)), to) == 0;
                break;
            case Done::Failed:
                break;
            }
            if (!undone)
                qCWarning(lcPlatform).noquote()
                    << "Couldn't undo the install of" << step.to << ":" << qt_error_string(errno);
        }
    }

    // The deepest folder of `path`'s parents that exists now.
    static QString existingFolderOf(const QString& path) {
        QString folder = QFileInfo(path).path();
        struct stat st;
        while (Sys::stat(QFile::encodeName(folder), st) != 0 && folder != QFileInfo(folder).path())
            folder = QFileInfo(folder).path();
        return folder;
    }

    static QString join(const QString& folder, const QString& name) {
        return folder.endsWith(u'/') ? QString(folder + name) : QString(folder + u'/' + name);
    }

    // What is at `path` once the earlier steps have run. An entry whose status can't be read
    // refuses the package rather than being taken for missing.
    Kind kindAt(const QString& path) const {
        if (const auto planned = planned_.constFind(path); planned != planned_.constEnd())
            return *planned ? Kind::Folder : Kind::Item;
        struct stat st;
        if (Sys::lstat(QFile::encodeName(path), st) != 0) {
            if (errno == ENOENT)
                return Kind::None;
            fail(QStringLiteral("The package's files couldn't be moved into place."));
        }
        if (S_ISDIR(st.st_mode))
            return Kind::Folder;
        return S_ISLNK(st.st_mode) ? Kind::Link : Kind::Item;
    }

    // The folder an existing link leads to, when that is a folder inside the target; else "".
    QString followed(const QString& link) const {
        const QString resolved = realPath(link).value_or(QString());
        if (resolved.isEmpty() || !Extraction::isInside(resolved, target_) || !QFileInfo(resolved).isDir())
            return {};
        return resolved;
    }

    void makeFolder(const QString& path, mode_t mode) {
        steps_.append({Step::MakeFolder, QString(), path, mode});
        planned_.insert(path, true);
    }

    QString shown(const QString& path) const { return target_ == u"/" ? path : path.mid(target_.size()); }

    QString target_;
    QList<Step> steps_;
    QHash<QString, bool> planned_; // path -> whether a folder, for what the plan adds
};

// Staging folders are removed on every way out.
struct Staging {
    QStringList folders;
    ~Staging() {
        for (const QString& folder : folders) {
            try {
                Removal::removeItem(folder);
            } catch (...) {
                // The outcome of the install is what is reported.
                Log::swallowed(lcPlatform(), "Removing a staging folder", std::current_exception());
            }
        }
    }
};

} // namespace

QStringList install(const QString& package, const QString& targetPath, const Limits& limits) {
    const QString target = realPath(targetPath).value_or(QString());
    if (target.isEmpty() || !QFileInfo(target).isDir())
        fail(QStringLiteral("The install target isn't a folder."));
    XarArchive archive = [&] {
        try {
            return XarArchive::open(package);
        } catch (const XarArchive::Failure& failure) {
            fail(QString::fromStdString(failure.what()));
        }
    }();
    if (!archive.checksumMatches())
        fail(QStringLiteral("The package is damaged: its table of contents doesn't match its checksum."));

    struct Component {
        QString name;
        const XarArchive::Entry* payload;
        const XarArchive::Entry* info;
    };
    QList<Component> components;
    if (archive.find(QStringLiteral("Distribution"))) {
        // Looked up by path once: a search of the whole list per component is quadratic in a
        // table of contents that may list a million entries.
        QHash<QString, const XarArchive::Entry*> byPath;
        for (const XarArchive::Entry& entry : archive.entries) {
            if (!byPath.contains(entry.path)) // the first of equal paths, as find() gives it
                byPath.insert(entry.path, &entry);
        }
        for (const XarArchive::Entry& entry : archive.entries) {
            if (entry.type == u"directory" && !entry.path.contains(u'/') && entry.path.endsWith(u".pkg")) {
                if (const auto* payload = byPath.value(entry.path + QStringLiteral("/Payload")))
                    components.append({entry.path, payload, byPath.value(entry.path + QStringLiteral("/PackageInfo"))});
            }
        }
    } else if (const auto* payload = archive.find(QStringLiteral("Payload"))) {
        components.append({QFileInfo(package).fileName(), payload, archive.find(QStringLiteral("PackageInfo"))});
    }
    if (components.isEmpty())
        fail(QStringLiteral("The package has nothing to install."));

    // Every component is unpacked and every entry decided before the first one is moved in.
    Plan plan(target);
    Staging staging;
    QList<std::pair<QString, QString>> merges; // staged tree, destination
    for (const Component& component : components) {
        try {
            QString existing;
            const QString destination = plan.location(installLocation(archive, component.info), existing);
            // Staged on the location's file system so that moving it in is a rename; an item
            // whose destination lies on another is copied to a staging folder there later.
            QByteArray stagingTemplate = QFile::encodeName(existing + QStringLiteral("/.quenlark-payload.XXXXXX"));
            if (!Sys::makeTemporaryFolder(stagingTemplate))
                fail(QStringLiteral("The package's payload couldn't be unpacked."));
            staging.folders << QFile::decodeName(stagingTemplate);
            // The payload streams from the package through its compression into the staging
            // folder; its checksums are checked at its end, before anything is moved in.
            XarDataStream stored(archive, *component.payload, limits.expanded);
            PayloadStream payload(stored, limits);
            try {
                Extraction::Options options;
                options.dropAppleDouble = false;
                options.cpioOnly = true;
                Extraction::unpack([&payload](char* buffer, qint64 size) { return payload.read(buffer, size); },
                                   component.name, staging.folders.last(), options);
            } catch (const Extraction::Failure& failure) {
                fail(QStringLiteral("The package's payload was refused: %1.")
                         .arg(QString::fromStdString(failure.what())));
            }
            payload.drain();
            merges.append({staging.folders.last(), destination});
        } catch (const XarArchive::Failure& failure) {
            fail(QString::fromStdString(failure.what()));
        }
    }
    for (const auto& [from, to] : merges)
        plan.merge(from, to);
    plan.stageOnDestinations(staging.folders);
    plan.run();
    QStringList installed;
    for (const Component& component : components)
        installed << component.name;
    return installed;
}

} // namespace PackageInstaller
