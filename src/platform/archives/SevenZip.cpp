#include "platform/archives/SevenZip.h"

#include "platform/system/Subprocess.h"
#include "platform/files/FileOps.h"
#include "platform/files/Sys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringList>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace SevenZip {
namespace {

// A volume as 7-Zip listed it.
struct Listing {
    struct Entry {
        QString path;
        bool folder = false;
        bool link = false;
        qint64 size = 0;               // -1 when 7-Zip gave none that reads
        std::optional<QString> target; // a link's, when the listing carries it
    };
    QStringList source; // the arguments that name the volume to 7-Zip
    // 7-Zip lists an HFS+ volume inside a folder named as the volume, which is not unpacked.
    QString root;
    QList<Entry> entries;
};

const QString sevenZip = QStringLiteral("/usr/bin/7z");

[[noreturn]] void fail(const QString& reason) { throw Failure(reason.toStdString()); }

const QString tooLarge = QStringLiteral("The image expands to far more than it holds");

Subprocess::Result run(const QStringList& arguments) {
    try {
        return Subprocess::exec(sevenZip, arguments);
    } catch (const std::exception&) {
        fail(QStringLiteral("7-Zip is needed to read HFS+ and APFS volumes"));
    }
}

// The items of `lines` from `from` on: "Key = value" blocks parted by empty lines.
QList<Listing::Entry> entriesOf(const QStringList& lines, qsizetype from) {
    QList<Listing::Entry> entries;
    Listing::Entry item;
    const auto flush = [&] {
        if (!item.path.isEmpty()) {
            const QString rooted = QStringLiteral("/") + item.path;
            if (item.path.startsWith(QLatin1Char('/')) || QDir::cleanPath(rooted) != rooted)
                fail(item.path + QStringLiteral(": a name leaves the volume"));
            entries.append(item);
        }
        item = {};
    };
    for (qsizetype i = from; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.isEmpty()) {
            flush();
        } else if (line.startsWith(QLatin1String("Path = "))) {
            item.path = line.mid(7);
        } else if (line.startsWith(QLatin1String("Folder = "))) {
            item.folder = item.folder || line.mid(9) == QLatin1String("+");
        } else if (line.startsWith(QLatin1String("Mode = ")) && line.size() > 7) {
            item.folder = item.folder || line.at(7) == QLatin1Char('d');
            item.link = line.at(7) == QLatin1Char('l');
        } else if (line.startsWith(QLatin1String("Symbolic Link = "))) {
            item.target = line.mid(16);
        } else if (line.startsWith(QLatin1String("Size = "))) {
            const QString value = line.mid(7).trimmed();
            bool ok = value.isEmpty();
            item.size = ok ? 0 : value.toLongLong(&ok);
            if (!ok)
                item.size = -1; // a size that can't be read can't be bounded
        }
    }
    flush();
    return entries;
}

// 7-Zip lists an HFS+ volume inside a folder named as the volume; the entries are taken out of it.
void dropRoot(Listing& listing) {
    if (listing.entries.isEmpty() || !listing.entries.first().folder ||
        listing.entries.first().path.contains(QLatin1Char('/')))
        return;
    const QString root = listing.entries.first().path;
    const QString prefix = root + QLatin1Char('/');
    for (qsizetype i = 1; i < listing.entries.size(); ++i) {
        if (!listing.entries[i].path.startsWith(prefix))
            return;
    }
    listing.root = root;
    listing.entries.removeFirst();
    for (Listing::Entry& e : listing.entries)
        e.path = e.path.mid(prefix.size());
}

// Moves everything in `from` to `to`. A folder that moves changes its "..", so one its owner may
// not write is made writable for the move and given its mode back.
void moveInto(const QString& from, const QString& to) {
    Sys::chmod(QFile::encodeName(from), 0700);
    for (const QString& name :
         QDir(from).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const QString source = from + QLatin1Char('/') + name;
        const QString target = to + QLatin1Char('/') + name;
        struct stat st;
        const bool locked =
            Sys::lstat(QFile::encodeName(source), st) == 0 && S_ISDIR(st.st_mode) && !(st.st_mode & S_IWUSR);
        if (locked)
            Sys::chmod(QFile::encodeName(source), (st.st_mode & 07777) | S_IWUSR);
        if (const int error = FileOps::shared().renameNoReplace(source, target))
            fail(name + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)));
        if (locked)
            Sys::chmod(QFile::encodeName(target), st.st_mode & 07777);
    }
}

// The targets of the links whose listing gave none, in the listing's order: HFS+ keeps a link's
// target as its data, which 7-Zip writes out for the links alone, one after the other.
QList<QString> storedTargets(const Listing& listing, const QList<const Listing::Entry*>& links) {
    QTemporaryFile names(QDir::tempPath() + QStringLiteral("/7z-links-XXXXXX"));
    if (!names.open())
        fail(QStringLiteral("couldn't make a scratch file"));
    const QString prefix = listing.root.isEmpty() ? QString() : listing.root + QLatin1Char('/');
    qint64 expected = 0;
    for (const Listing::Entry* link : links) {
        if (link->size < 0 || link->size > 4096) // no path is longer
            fail(QStringLiteral("a link of the volume can't be read"));
        names.write((prefix + link->path).toUtf8() + '\n');
        expected += link->size;
    }
    names.close();
    const auto result = run(QStringList{QStringLiteral("x"), QStringLiteral("-so"), QStringLiteral("-bso0"),
                                        QStringLiteral("-bse0"), QStringLiteral("-bsp0"), QStringLiteral("-spd"),
                                        QStringLiteral("-scsUTF-8"), QStringLiteral("-i@") + names.fileName()} +
                            listing.source);
    if (result.status != 0 || result.output.size() != expected)
        fail(QStringLiteral("a link of the volume can't be read"));
    QList<QString> targets;
    qint64 at = 0;
    for (const Listing::Entry* link : links) {
        targets.append(QFile::decodeName(result.output.mid(at, link->size)));
        at += link->size;
    }
    return targets;
}

Listing list(const QString& volume, const QString& type) {
    const QStringList source{QStringLiteral("-t") + type, volume};
    const auto listed = run(QStringList{QStringLiteral("l"), QStringLiteral("-slt")} + source);
    if (listed.status != 0)
        fail(QStringLiteral("no mountable file systems"));
    const QStringList lines = QString::fromUtf8(listed.output).split(QLatin1Char('\n'));
    const qsizetype start = lines.indexOf(QStringLiteral("----------"));
    Listing listing{source, {}, entriesOf(lines, start < 0 ? lines.size() : start + 1)};
    if (type == QLatin1String("hfs"))
        dropRoot(listing);
    return listing;
}

void unpack(const Listing& listing, const QString& dest, std::optional<ExpansionBudget> budget) {
    QList<const Listing::Entry*> links, untold;
    for (const Listing::Entry& e : listing.entries) {
        if (e.link) {
            links.append(&e);
            if (!e.target)
                untold.append(&e);
        } else if (budget && !e.folder && (e.size < 0 || !budget->take(e.size))) {
            fail(tooLarge);
        }
    }
    if (!QDir().mkpath(dest))
        fail(dest + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
    // An HFS+ volume's own folder is unpacked beside the files already there, then emptied into it.
    QString into = dest;
    if (!listing.root.isEmpty()) {
        QByteArray pattern = QFile::encodeName(dest + QStringLiteral("/.unpacking-XXXXXX"));
        if (!Sys::makeTemporaryFolder(pattern))
            fail(dest + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
        into = QFile::decodeName(pattern);
    }
    const auto result = run(
        QStringList{QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-snld"), QStringLiteral("-o") + into} +
        listing.source);
    if (result.status != 0) {
        // Only refused links may have gone wrong: they are made again below.
        const QStringList report = QString::fromUtf8(result.output).split(QLatin1Char('\n'));
        for (const QString& line : report) {
            if (line.startsWith(QLatin1String("ERROR:")) && !line.contains(QLatin1String("Dangerous link path")))
                fail(line.mid(6).trimmed());
        }
        if (result.status != 2)
            fail(QStringLiteral("no mountable file systems"));
    }
    if (into != dest) {
        const QString root = into + QLatin1Char('/') + listing.root;
        if (QFileInfo::exists(root))
            moveInto(root, dest);
        Sys::chmod(QFile::encodeName(root), 0700);
        QDir(into).removeRecursively();
    }

    // Drop every link 7-Zip made, then make the stored ones, never below another link.
    QList<QString> folders{dest};
    while (!folders.isEmpty()) {
        const QString folder = folders.takeLast();
        for (const QFileInfo& info :
             QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
            if (info.isSymLink())
                QFile::remove(info.filePath());
            else if (info.isDir())
                folders.append(info.filePath());
        }
    }
    const QList<QString> read = untold.isEmpty() ? QList<QString>() : storedTargets(listing, untold);
    qsizetype nextRead = 0; // `untold` is in the order of `links`
    for (const Listing::Entry* link : links) {
        const QString target = link->target ? *link->target : read[nextRead++];
        const QStringList parts = link->path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        QString at = dest;
        bool clear = true;
        for (qsizetype i = 0; i + 1 < parts.size() && clear; ++i) {
            at += QLatin1Char('/') + parts[i];
            struct stat st;
            clear = Sys::lstat(QFile::encodeName(at), st) == 0 && S_ISDIR(st.st_mode);
        }
        const QByteArray where = QFile::encodeName(dest + QLatin1Char('/') + parts.join(QLatin1Char('/')));
        if (clear && !parts.isEmpty()) {
            Sys::unlink(where);
            if (Sys::symlink(QFile::encodeName(target), where) != 0)
                fail(link->path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
        }
    }
}

} // namespace

void extract(const QString& volume, const QString& type, const QString& dest, std::optional<ExpansionBudget> budget) {
    unpack(list(volume, type), dest, budget);
}

} // namespace SevenZip
