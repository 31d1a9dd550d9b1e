#include "tools/Hdiutil.h"

#include "platform/archives/ExpansionBudget.h"
#include "platform/archives/Extraction.h"
#include "platform/system/PropertyList.h"
#include "platform/archives/SevenZip.h"
#include "platform/system/Subprocess.h"
#include "platform/archives/UdifImage.h"
#include "platform/archives/UdifVolume.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QVariantMap>
#include <QtEndian>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// The bytes this user may still write on the file system of `path`; nothing when it can't be
// told. Asked of the file system itself: QStorageInfo finds no mount inside a chroot and then
// reports -1, which read as unlimited room.
quint64 freeBytes(const QString& path) {
    struct statvfs fs {};
    if (::statvfs(QFile::encodeName(path).constData(), &fs) != 0)
        return 0;
    return quint64(fs.f_bavail) * fs.f_frsize;
}

// Left in the mount folder by attach; detach only ever removes a folder that carries it.
const QString marker = QStringLiteral(".quenlark-image");

const QString tooLarge = QStringLiteral("The image expands to far more than it holds");

struct Failed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const QString& reason) { throw Failed(reason.toStdString()); }

void out(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

enum class FileSystem { None, Iso9660, Hfs, Apfs };

// `at(offset, n)` reads n bytes of the volume (fewer at its end).
template <typename Read>
FileSystem probe(Read at) {
    if (at(32769, 5) == "CD001")
        return FileSystem::Iso9660;
    const QByteArray hfs = at(1024, 2);
    if (hfs == "H+" || hfs == "HX")
        return FileSystem::Hfs;
    if (at(32, 4) == "NXSB")
        return FileSystem::Apfs;
    return FileSystem::None;
}

FileSystem probe(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return FileSystem::None;
    return probe([&f](qint64 offset, qint64 n) { return f.seek(offset) ? f.read(n) : QByteArray(); });
}

FileSystem probe(UdifVolume& volume) {
    return probe([&volume](qint64 offset, qint64 n) { return volume.read(quint64(offset), quint64(n)); });
}

QString hintOf(FileSystem fs) {
    switch (fs) {
    case FileSystem::Iso9660:
        return QStringLiteral("ISO9660");
    case FileSystem::Hfs:
        return QStringLiteral("Apple_HFS");
    case FileSystem::Apfs:
        return QStringLiteral("Apple_APFS");
    case FileSystem::None:
        break;
    }
    return {};
}

QString kindOf(FileSystem fs) {
    switch (fs) {
    case FileSystem::Iso9660:
        return QStringLiteral("cd9660");
    case FileSystem::Hfs:
        return QStringLiteral("hfs");
    case FileSystem::Apfs:
        return QStringLiteral("apfs");
    case FileSystem::None:
        break;
    }
    return {};
}

// Gives the owner write access to every folder and file so that the tree can be removed.
void makeWritable(const QString& root) {
    QList<QString> items{root};
    while (!items.isEmpty()) {
        const QString item = items.takeLast();
        const QByteArray native = QFile::encodeName(item);
        struct stat st;
        if (::lstat(native.constData(), &st) != 0 || S_ISLNK(st.st_mode))
            continue;
        ::chmod(native.constData(), (st.st_mode & 07777) | 0200);
        if (S_ISDIR(st.st_mode)) {
            for (const QString& name :
                 QDir(item).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
                items.append(item + QLatin1Char('/') + name);
        }
    }
}

// Copies the first partition of a GPT disk that holds a file system we read into `out`; every
// copy is taken from `budget` before it is written.
bool carveGptVolume(const QString& disk, const QString& out, ExpansionBudget& budget) {
    QFile f(disk);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(512))
        return false;
    const QByteArray header = f.read(92);
    if (header.size() < 92 || !header.startsWith("EFI PART"))
        return false;
    const quint64 entriesAt = qFromLittleEndian<quint64>(header.constData() + 72);
    const quint32 count = qFromLittleEndian<quint32>(header.constData() + 80);
    const quint32 size = qFromLittleEndian<quint32>(header.constData() + 84);
    const quint64 sectors = quint64(f.size()) / 512;
    if (size < 128 || size > 4096 || count > 1024 || entriesAt >= sectors)
        return false;
    for (quint32 i = 0; i < count; ++i) {
        if (!f.seek(qint64(entriesAt * 512 + quint64(i) * size)))
            return false;
        const QByteArray entry = f.read(size);
        if (entry.size() < 128 || entry.left(16) == QByteArray(16, '\0'))
            continue;
        const quint64 first = qFromLittleEndian<quint64>(entry.constData() + 32);
        const quint64 last = qFromLittleEndian<quint64>(entry.constData() + 40);
        if (first == 0 || last < first || last >= sectors)
            continue;
        if (!budget.take(qint64(last + 1 - first) * 512))
            fail(tooLarge);
        QFile::remove(out);
        QFile part(out);
        if (!part.open(QIODevice::WriteOnly))
            return false;
        for (quint64 at = first * 512, end = (last + 1) * 512; at < end;) {
            const qint64 n = qint64(std::min<quint64>(end - at, 1 << 20));
            if (!f.seek(qint64(at)))
                return false;
            const QByteArray bytes = f.read(n);
            if (bytes.size() != n || part.write(bytes) != n)
                return false;
            at += quint64(n);
        }
        part.close();
        if (probe(out) != FileSystem::None)
            return true;
    }
    return false;
}

struct Options {
    bool plist = false;
    QString mountPoint;
    QStringList operands;
};

Options parseOptions(const QStringList& args) {
    Options o;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("-plist"))
            o.plist = true;
        else if (a == QLatin1String("-mountpoint") && i + 1 < args.size())
            o.mountPoint = args[++i];
        else if (a.startsWith(QLatin1Char('-')))
            continue; // -nobrowse, -readonly, -noautoopen, -noverify, -quiet, -force: nothing to do
        else
            o.operands << a;
    }
    return o;
}

int imageinfo(const Options& o) {
    if (o.operands.size() != 1)
        fail(QStringLiteral("a single image is needed"));
    const UdifImage image = UdifImage::open(o.operands.first());
    const bool partitioned = image.tables().size() > 1;
    const quint64 bytes = image.sectorCount() * 512;
    if (o.plist) {
        QVariantMap properties{
            {QStringLiteral("Checksummed"), true},
            {QStringLiteral("Compressed"), image.isCompressed()},
            {QStringLiteral("Encrypted"), false},
            {QStringLiteral("Kernel Compatible"), true},
            {QStringLiteral("Partitioned"), partitioned},
            {QStringLiteral("Software License Agreement"), image.hasLicenseAgreement()},
        };
        QVariantMap size{{QStringLiteral("Sector Count"), qint64(image.sectorCount())},
                         {QStringLiteral("Total Bytes"), qint64(bytes)}};
        QVariantMap info{
            {QStringLiteral("Format"), image.formatName()},
            {QStringLiteral("Format Description"), QStringLiteral("UDIF read-only compressed")},
            {QStringLiteral("Class Name"), QStringLiteral("CUDIFDiskImage")},
            {QStringLiteral("Properties"), properties},
            {QStringLiteral("Size Information"), size},
            {QStringLiteral("Segments"), QVariantMap{{QStringLiteral("0"), image.path()}}},
        };
        if (!image.isCompressed())
            info[QStringLiteral("Format Description")] = QStringLiteral("UDIF read-only");
        out(QString::fromUtf8(PropertyList::toXml(info).value_or(QByteArray())));
        return 0;
    }
    const auto flag = [](bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); };
    QString text;
    QTextStream s(&text);
    s << "Format Description: " << (image.isCompressed() ? "UDIF read-only compressed" : "UDIF read-only") << '\n'
      << "Class Name: CUDIFDiskImage\n"
      << "Format: " << image.formatName() << '\n'
      << "Size Information:\n"
      << "    Sector Count: " << image.sectorCount() << '\n'
      << "    Total Bytes: " << bytes << '\n'
      << "Segments:\n"
      << "    0: " << image.path() << '\n'
      << "Properties:\n"
      << "    Encrypted: false\n"
      << "    Kernel Compatible: true\n"
      << "    Checksummed: true\n"
      << "    Software License Agreement: " << flag(image.hasLicenseAgreement()) << '\n'
      << "    Partitioned: " << flag(partitioned) << '\n'
      << "    Compressed: " << flag(image.isCompressed()) << '\n';
    s.flush();
    out(text);
    return 0;
}

int attach(const Options& o) {
    if (o.operands.size() != 1)
        fail(QStringLiteral("a single image is needed"));
    const QString imagePath = o.operands.first();
    if (!QFileInfo::exists(imagePath))
        fail(QStringLiteral("No such file or directory"));
    const UdifImage image = UdifImage::open(imagePath);

    if (image.hasLicenseAgreement()) {
        // The licence is shown and must be agreed to on standard input.
        out(image.licenseText() + QStringLiteral("\nIf you agree with the terms of this license, press \"Y\" "
                                                 "to attach the image. Otherwise press \"N\".\nAgree Y/N? "));
        std::string answer;
        if (!std::getline(std::cin, answer) || answer.empty() || (answer[0] != 'Y' && answer[0] != 'y'))
            fail(QStringLiteral("canceled"));
        out(QStringLiteral("\n"));
    }

    QString mount = o.mountPoint;
    if (mount.isEmpty())
        mount = QDir::tempPath() + QStringLiteral("/Volumes/") + QFileInfo(imagePath).completeBaseName();
    if (!QDir().mkpath(mount))
        fail(QStringLiteral("Permission denied"));
    if (!QDir(mount).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        fail(QStringLiteral("Resource busy"));
    mount = QFileInfo(mount).canonicalFilePath();

    // Whatever an image holds, attaching it may not fill the disk: the volume and the files
    // unpacked from it are bounded together against the image's size, as a zip's files are.
    ExpansionBudget budget{ExpansionLimit(), QFileInfo(imagePath).size()};
    if (const char* bound = std::getenv("QUENLARK_HDIUTIL_MAX_BYTES"))
        budget.limit.lowerTo(QByteArray(bound).toLongLong());

    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/hdiutil-XXXXXX"));
    if (!scratch.isValid())
        fail(QStringLiteral("couldn't make a scratch folder"));

    // The partition named as a volume comes first; otherwise every table is tried in order.
    QList<const UdifImage::Table*> order;
    for (const auto& t : image.tables()) {
        if (t.name.contains(QLatin1String("Apple_HFS")) || t.name.contains(QLatin1String("Apple_APFS")))
            order.append(&t);
    }
    for (const auto& t : image.tables()) {
        if (!order.contains(&t) && t.sectorCount >= 64)
            order.append(&t);
    }
    QString part;
    // An ISO 9660 volume is unpacked as it is expanded, never written out whole; 7-Zip and the
    // partition map of a whole disk need the volume as a file.
    std::unique_ptr<UdifVolume> streamed;
    FileSystem fs = FileSystem::None;
    for (const auto* t : order) {
        auto volume = std::make_unique<UdifVolume>(image, *t);
        fs = probe(*volume);
        // What is written must fit, so that a small image of highly compressed data, or of zero
        // runs its files are made of, can't fill the disk: the files alone when the volume is
        // unpacked as it expands, else the expanded volume too.
        const bool streaming = fs == FileSystem::Iso9660;
        if (freeBytes(streaming ? mount : scratch.path()) < (streaming ? 1 : 2) * UdifImage::expandedBytes(*t))
            fail(QStringLiteral("No space left on device"));
        // Zero runs count too: they are holes here, but the files on them need not be.
        if (!budget.take(qint64(UdifImage::expandedBytes(*t))))
            fail(tooLarge);
        if (streaming) {
            streamed = std::move(volume);
            break;
        }
        volume.reset();
        const QString candidate = scratch.filePath(QStringLiteral("partition"));
        QFile::remove(candidate);
        image.expand(*t, candidate);
        if (fs != FileSystem::None) {
            part = candidate;
            break;
        }
        // One table may hold a whole disk with its own partition map.
        const QString inner = scratch.filePath(QStringLiteral("inner"));
        if (carveGptVolume(candidate, inner, budget)) {
            fs = probe(inner);
            part = inner;
            break;
        }
    }
    if (fs == FileSystem::None)
        fail(QStringLiteral("no mountable file systems"));

    QFile mark(mount + QLatin1Char('/') + marker);
    if (!mark.open(QIODevice::WriteOnly))
        fail(QStringLiteral("Permission denied"));
    mark.write(QFile::encodeName(QFileInfo(imagePath).absoluteFilePath()) + '\n');
    mark.close();
    try {
        if (fs == FileSystem::Iso9660) {
            Extraction::Options options;
            options.dropAppleDouble = false;
            options.keepOutsideLinks = true;
            options.budget = budget;
            if (streamed)
                Extraction::unpack(*streamed, QFileInfo(imagePath).fileName(), mount, options);
            else
                Extraction::unpack(part, mount, options);
        } else {
            SevenZip::extract(part, fs == FileSystem::Apfs ? QStringLiteral("apfs") : QStringLiteral("hfs"), mount,
                              budget);
        }
    } catch (...) {
        // Nothing half-attached is left behind.
        makeWritable(mount);
        for (const QString& name :
             QDir(mount).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
            QFileInfo info(mount + QLatin1Char('/') + name);
            if (info.isDir() && !info.isSymLink())
                QDir(info.filePath()).removeRecursively();
            else
                QFile::remove(info.filePath());
        }
        try {
            throw;
        } catch (const Extraction::TooLarge&) {
            fail(tooLarge); // without the scratch folder's name
        }
    }
    // Like a read-only volume: nothing can be added or removed at the top. The contents keep
    // their stored modes, which a copy out of the volume must carry.
    ::chmod(QFile::encodeName(mount).constData(), 0555);

    if (o.plist) {
        const QVariantMap entity{
            {QStringLiteral("content-hint"), hintOf(fs)},
            {QStringLiteral("mount-point"), mount},
            {QStringLiteral("potentially-mountable"), true},
            {QStringLiteral("volume-kind"), kindOf(fs)},
        };
        out(QString::fromUtf8(
            PropertyList::toXml(QVariantMap{{QStringLiteral("system-entities"), QVariantList{entity}}})
                .value_or(QByteArray())));
    } else {
        out(hintOf(fs) + QLatin1Char('\t') + mount + QLatin1Char('\n'));
    }
    return 0;
}

int detach(const Options& o) {
    if (o.operands.size() != 1)
        fail(QStringLiteral("a single mount point is needed"));
    const QString mount = o.operands.first();
    const QFileInfo info(mount);
    if (!info.exists())
        fail(QStringLiteral("No such file or directory"));
    if (!info.isDir() || info.isSymLink() || !QFileInfo::exists(mount + QLatin1Char('/') + marker))
        fail(QStringLiteral("Invalid argument"));
    makeWritable(mount);
    for (const QString& name :
         QDir(mount).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const QFileInfo item(mount + QLatin1Char('/') + name);
        const bool removed = item.isDir() && !item.isSymLink() ? QDir(item.filePath()).removeRecursively()
                                                               : QFile::remove(item.filePath());
        if (!removed)
            fail(QStringLiteral("Resource busy"));
    }
    out(QStringLiteral("\"") + info.fileName() + QStringLiteral("\" ejected.\n"));
    return 0;
}

} // namespace

int hdiutilMain(const QStringList& args) {
    if (args.isEmpty()) {
        std::fputs("Usage: hdiutil <verb> <options>\n<verb> is one of the following:\nattach\ndetach\nimageinfo\n",
                   stderr);
        return 1;
    }
    const QString verb = args.first();
    const Options options = parseOptions(args.mid(1));
    try {
        if (verb == QLatin1String("imageinfo"))
            return imageinfo(options);
        if (verb == QLatin1String("attach"))
            return attach(options);
        if (verb == QLatin1String("detach") || verb == QLatin1String("eject"))
            return detach(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "hdiutil: %s failed - %s\n", verb.toLocal8Bit().constData(), e.what());
        return 1;
    }
    std::fprintf(stderr, "hdiutil: unknown verb \"%s\"\n", verb.toLocal8Bit().constData());
    return 1;
}
