#include "ToolRunner.h"
#include "QtPrinters.h"
#include "UdifWriter.h"

#include "platform/system/PropertyList.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QVariantMap>
#include <QtEndian>

#include <sys/stat.h>
#include <sys/statvfs.h>

namespace {

void writeFile(const QString& path, const QByteArray& content, int mode = 0644) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    f.close();
    chmod(QFile::encodeName(path).constData(), mode_t(mode));
}

mode_t modeOf(const QString& path) {
    struct stat st {};
    lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

enum class Volume { Iso, Hfs };

// A volume as release images carry it: the bundle and a shortcut to the Applications folder.
QString makeVolume(const QTemporaryDir& dir, Volume kind = Volume::Iso) {
    const QString root = dir.filePath("volume");
    writeFile(root + "/Example.app/Contents/MacOS/Example", "#!/bin/sh\n", 0755);
    writeFile(root + "/Example.app/Contents/Info.plist", "<plist/>");
    QFile::link("MacOS", root + "/Example.app/Contents/Current");
    QFile::link("/Applications", root + "/Applications");
    const QString iso = dir.filePath(kind == Volume::Hfs ? "volume.hfs" : "volume.iso");
    return (kind == Volume::Hfs ? makeHfs(root, iso) : makeIso(root, iso)) ? iso : QString();
}

QString makeImage(const QTemporaryDir& dir, UdifWriter writer, const QString& name = "Example.dmg",
                  Volume kind = Volume::Iso) {
    const QString iso = makeVolume(dir, kind);
    const QString image = dir.filePath(name);
    return !iso.isEmpty() && writer.write(iso, image) ? image : QString();
}

} // namespace

TEST(Hdiutil, AttachesEveryChunkFormatAsAReadOnlyCopyAndDetaches) {
    struct Format {
        const char* label;
        UdifWriter::Compression compression;
        Volume volume;
    };
    const QList<Format> formats = {
        {"raw", UdifWriter::Compression::Raw, Volume::Iso},
        {"zlib", UdifWriter::Compression::Zlib, Volume::Iso},
        {"bzip2", UdifWriter::Compression::Bzip2, Volume::Iso},
        {"lzma", UdifWriter::Compression::Lzma, Volume::Iso},
        {"adc", UdifWriter::Compression::Adc, Volume::Iso},
        {"HFS+ zlib", UdifWriter::Compression::Zlib, Volume::Hfs},
        {"HFS+ bzip2", UdifWriter::Compression::Bzip2, Volume::Hfs},
        {"HFS+ lzma", UdifWriter::Compression::Lzma, Volume::Hfs},
    };
    for (const auto& [label, compression, volume] : formats) {
        SCOPED_TRACE(label);
        QTemporaryDir dir;
        UdifWriter writer;
        writer.compression = compression;
        const QString image = makeImage(dir, writer, "Example.dmg", volume);
        ASSERT_FALSE(image.isEmpty());
        const QString mount = dir.filePath("work/mount");

        const ToolRun attach =
            runTool("hdiutil", {"attach", "-nobrowse", "-readonly", "-noautoopen", "-mountpoint", mount, image});

        ASSERT_EQ(attach.status, 0) << attach.output.toStdString();
        EXPECT_TRUE(attach.output.startsWith(volume == Volume::Hfs ? "Apple_HFS\t" : "ISO9660\t"));
        const QString exe = mount + "/Example.app/Contents/MacOS/Example";
        EXPECT_EQ(QFileInfo(exe).size(), 10);
        EXPECT_EQ(modeOf(exe), 0755u) << "stored modes are kept";
        EXPECT_EQ(modeOf(mount + "/Example.app/Contents/Info.plist"), 0644u);
        EXPECT_EQ(QFile::symLinkTarget(mount + "/Example.app/Contents/Current"), mount + "/Example.app/Contents/MacOS");
        EXPECT_TRUE(QFileInfo(mount + "/Applications").isSymLink());
        EXPECT_EQ(QFileInfo(mount + "/Applications").symLinkTarget(), "/Applications");

        const ToolRun detach = runTool("hdiutil", {"detach", "-force", mount});
        EXPECT_EQ(detach.status, 0) << detach.output.toStdString();
        EXPECT_TRUE(QDir(mount).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    }
}

TEST(Hdiutil, FindsTheVolumeInsideAWholeDiskTable) {
    for (const Volume kind : {Volume::Iso, Volume::Hfs}) {
        QTemporaryDir dir;
        const QString volume = makeVolume(dir, kind);
        ASSERT_FALSE(volume.isEmpty());
        ASSERT_TRUE(makeGptDisk(volume, dir.filePath("disk.raw")));
        UdifWriter writer;
        writer.leadingTable = false;
        writer.tableName = "whole disk (Apple_partition_scheme : 0)";
        ASSERT_TRUE(writer.write(dir.filePath("disk.raw"), dir.filePath("Disk.dmg")));
        const QString mount = dir.filePath("mount");

        const ToolRun attach = runTool("hdiutil", {"attach", "-mountpoint", mount, dir.filePath("Disk.dmg")});

        ASSERT_EQ(attach.status, 0) << attach.output.toStdString();
        EXPECT_TRUE(QFileInfo::exists(mount + "/Example.app/Contents/Info.plist"));
        EXPECT_EQ(QFileInfo(mount + "/Applications").symLinkTarget(), "/Applications");
        EXPECT_EQ(runTool("hdiutil", {"detach", mount}).status, 0);
    }
}

TEST(Hdiutil, AttachesAnEmptyApfsVolume) {
    QTemporaryDir dir;
    ASSERT_TRUE(makeApfs(dir.filePath("volume.apfs")));
    UdifWriter writer;
    writer.tableName = "disk image (Apple_APFS : 4)";
    ASSERT_TRUE(writer.write(dir.filePath("volume.apfs"), dir.filePath("Empty.dmg")));
    const QString mount = dir.filePath("mount");

    const ToolRun attach = runTool("hdiutil", {"attach", "-mountpoint", mount, dir.filePath("Empty.dmg")});

    ASSERT_EQ(attach.status, 0) << attach.output.toStdString();
    EXPECT_TRUE(attach.output.startsWith("Apple_APFS\t"));
    EXPECT_TRUE(QDir(mount).isEmpty(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot));
    EXPECT_EQ(runTool("hdiutil", {"detach", mount}).status, 0);
}

TEST(Hdiutil, ReportsTheLicenceAgreementAndWantsItAnswered) {
    QTemporaryDir dir;
    UdifWriter licensed;
    licensed.licence = QStringLiteral("You may use this app.\nNo warranty.");
    const QString image = makeImage(dir, licensed);
    const QString plain = dir.filePath("Plain.dmg");
    ASSERT_TRUE(UdifWriter().write(dir.filePath("volume.iso"), plain));

    for (const auto& [path, expected] : {std::pair{image, true}, std::pair{plain, false}}) {
        const ToolRun info = runTool("hdiutil", {"imageinfo", "-plist", path});
        ASSERT_EQ(info.status, 0);
        const auto plist = PropertyList::fromBytes(info.output.mid(info.output.indexOf("<?xml")).toUtf8());
        ASSERT_TRUE(plist);
        const QVariant sla = plist->toMap()["Properties"].toMap()["Software License Agreement"];
        EXPECT_EQ(sla.typeId(), QMetaType::Bool);
        EXPECT_EQ(sla.toBool(), expected);
        const ToolRun text = runTool("hdiutil", {"imageinfo", path});
        EXPECT_TRUE(text.output.contains(expected ? "    Software License Agreement: true\n"
                                                  : "    Software License Agreement: false\n"));
    }

    const QString mount = dir.filePath("mount");
    const ToolRun refused = runTool("hdiutil", {"attach", "-mountpoint", mount, image});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.output.contains("You may use this app.\nNo warranty."));
    EXPECT_TRUE(refused.output.endsWith("hdiutil: attach failed - canceled\n")) << refused.output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(mount + "/Example.app"));

    const ToolRun agreed = runTool("hdiutil", {"attach", "-mountpoint", mount, image}, "Y\n");
    EXPECT_EQ(agreed.status, 0) << agreed.output.toStdString();
    EXPECT_TRUE(QFileInfo::exists(mount + "/Example.app/Contents/Info.plist"));
    runTool("hdiutil", {"detach", "-force", mount});
}

TEST(Hdiutil, RefusesWhatItCannotReadWithTheToolsLine) {
    QTemporaryDir dir;
    UdifWriter lzfse;
    lzfse.compression = UdifWriter::Compression::Lzfse;
    const QString image = makeImage(dir, lzfse);
    ASSERT_FALSE(image.isEmpty());
    writeFile(dir.filePath("notes.txt"), QByteArray(600, 'x'));
    // A trailer whose resource list lies beyond the end of the file.
    QByteArray broken;
    {
        QFile f(image);
        f.open(QIODevice::ReadOnly);
        broken = f.readAll();
    }
    qToBigEndian<quint64>(quint64(broken.size()) * 4, broken.data() + broken.size() - 512 + 216);
    writeFile(dir.filePath("broken.dmg"), broken);
    // A few kilobytes whose volume ends in a zero run larger than the free space, by a margin that
    // other programs freeing space meanwhile can't close: twice the free space and a gigabyte.
    QTemporaryDir zerosDir;
    struct statvfs fs {};
    ASSERT_EQ(::statvfs(QFile::encodeName(zerosDir.path()).constData(), &fs), 0);
    UdifWriter zeros;
    zeros.trailingZeroSectors = (2 * quint64(fs.f_bavail) * fs.f_frsize + (quint64(1) << 30)) / 512;
    const QString sparse = makeImage(zerosDir, zeros);
    ASSERT_LT(QFileInfo(sparse).size(), 1 << 20);
    // A volume whose last chunk fails its check only once files have been unpacked before it.
    QTemporaryDir lateDir;
    QByteArray big(3 << 19, Qt::Uninitialized);
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char((i * 7919) >> 5 ^ i);
    writeFile(lateDir.filePath("volume/Example.app/Contents/Resources/big.dat"), big);
    const QString late = makeImage(lateDir, UdifWriter{});
    ASSERT_FALSE(late.isEmpty());
    {
        QFile f(late);
        f.open(QIODevice::ReadWrite);
        f.seek(f.size() - 512 + 216);
        const quint64 xmlOffset = qFromBigEndian<quint64>(f.read(8).constData());
        f.seek(qint64(xmlOffset) - 4); // the last data chunk's checksum
        f.write("\xde\xad\xbe\xef", 4);
    }

    struct Case {
        QStringList args;
        QString line;
    };
    const QList<Case> cases = {
        {{"attach", "-mountpoint", dir.filePath("m1"), image},
         "hdiutil: attach failed - LZFSE-compressed images can't be read on this system\n"},
        {{"imageinfo", dir.filePath("notes.txt")}, "hdiutil: imageinfo failed - image not recognized\n"},
        {{"attach", "-mountpoint", dir.filePath("m2"), dir.filePath("broken.dmg")},
         "hdiutil: attach failed - image not recognized\n"},
        {{"attach", "-mountpoint", dir.filePath("m3"), dir.filePath("missing.dmg")},
         "hdiutil: attach failed - No such file or directory\n"},
        {{"attach", "-mountpoint", dir.filePath("m4"), sparse}, "hdiutil: attach failed - No space left on device\n"},
        {{"attach", "-mountpoint", dir.filePath("m5"), late}, "hdiutil: attach failed - corrupt image data\n"},
    };
    for (const Case& c : cases) {
        const ToolRun run = runTool("hdiutil", c.args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.output.toStdString(), c.line.toStdString());
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("m1/Example.app")));
    EXPECT_TRUE(QDir(dir.filePath("m5")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        << "nothing half-attached is left";
}

TEST(Hdiutil, AnImageThatExpandsFarBeyondItsSizeIsRefusedBeforeItFillsTheDisk) {
    // A volume whose one file is 16 MiB of zeros: its image stores them as zero runs and stays a
    // few kilobytes.
    QTemporaryDir dir;
    writeFile(dir.filePath("volume/zeros"), QByteArray(16 << 20, '\0'));
    ASSERT_TRUE(makeIso(dir.filePath("volume"), dir.filePath("volume.iso")));
    ASSERT_TRUE(UdifWriter().write(dir.filePath("volume.iso"), dir.filePath("Zeros.dmg")));
    ASSERT_TRUE(makeGptDisk(dir.filePath("volume.iso"), dir.filePath("disk.raw")));
    UdifWriter whole;
    whole.leadingTable = false;
    whole.tableName = "whole disk (Apple_partition_scheme : 0)";
    ASSERT_TRUE(whole.write(dir.filePath("disk.raw"), dir.filePath("Disk.dmg")));
    ASSERT_LT(QFileInfo(dir.filePath("Zeros.dmg")).size(), 64 << 10);
    ASSERT_TRUE(makeHfs(dir.filePath("volume"), dir.filePath("volume.hfs")));
    ASSERT_TRUE(UdifWriter().write(dir.filePath("volume.hfs"), dir.filePath("ZerosHfs.dmg")));
    // Over a gibibyte of zero runs in a few kilobytes, against the bound's own ratio.
    UdifWriter claim;
    claim.trailingZeroSectors = (quint64(5) << 30) / 4 / 512;
    const QString small = dir.filePath("small");
    writeFile(small + "/readme", "hello");
    ASSERT_TRUE(makeIso(small, dir.filePath("small.iso")));
    ASSERT_TRUE(claim.write(dir.filePath("small.iso"), dir.filePath("Claim.dmg")));
    struct statvfs room {};
    const bool roomForTheClaim = ::statvfs(QFile::encodeName(dir.path()).constData(), &room) == 0 &&
                                 quint64(room.f_bavail) * room.f_frsize > quint64(3) << 30;

    struct Case {
        const char* what;
        QString image;
        QByteArray ceiling; // empty: the tool's own bound
        bool attaches;
    };
    const QList<Case> cases = {
        {"the volume alone passes the ceiling", dir.filePath("Zeros.dmg"), "8388608", false},
        {"the volume and its files together pass it", dir.filePath("Zeros.dmg"), "25165824", false},
        {"a whole disk and its volume copied out of it", dir.filePath("Disk.dmg"), "25165824", false},
        {"an HFS+ volume's files, read from the image", dir.filePath("ZerosHfs.dmg"), "25165824", false},
        {"within the ceiling", dir.filePath("Zeros.dmg"), "67108864", true},
        {"a gibibyte claimed by a few kilobytes", dir.filePath("Claim.dmg"), "", false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.ceiling.isEmpty() && !roomForTheClaim)
            continue; // the free-space check would answer first
        const QString mount = dir.filePath("mount" + QString::number(++n));
        if (!c.ceiling.isEmpty())
            qputenv("QUENLARK_HDIUTIL_MAX_BYTES", c.ceiling);
        const ToolRun attach = runTool("hdiutil", {"attach", "-mountpoint", mount, c.image});
        qunsetenv("QUENLARK_HDIUTIL_MAX_BYTES");
        if (c.attaches) {
            ASSERT_EQ(attach.status, 0) << attach.output.toStdString();
            EXPECT_EQ(QFileInfo(mount + "/zeros").size(), 16 << 20);
            EXPECT_EQ(runTool("hdiutil", {"detach", mount}).status, 0);
            continue;
        }
        EXPECT_EQ(attach.status, 1);
        EXPECT_EQ(attach.output, "hdiutil: attach failed - The image expands to far more than it holds\n");
        EXPECT_TRUE(QDir(mount).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    }
}

TEST(Hdiutil, DetachLeavesFoldersItDidNotAttachAlone) {
    QTemporaryDir dir;
    writeFile(dir.filePath("precious/file"), "keep");

    const ToolRun run = runTool("hdiutil", {"detach", "-force", dir.filePath("precious")});

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "hdiutil: detach failed - Invalid argument\n");
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("precious/file")));
}
