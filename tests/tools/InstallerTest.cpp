#include "PackageBuilder.h"
#include "ToolRunner.h"
#include "ZipBuilder.h"

#include "platform/archives/PackageInstaller.h"
#include "platform/files/FileOps.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <functional>

#include <cerrno>
#include <sys/mount.h>
#include <sys/stat.h>

namespace {

QStringList tree(const QString& root) {
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next().mid(root.size() + 1);
    out.sort();
    return out;
}

QByteArray contents(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

} // namespace

TEST(Installer, ExpandsEachPayloadFormAtTheTargetPlusItsLocation) {
    using P = PackageBuilder::Payload;
    for (const P format : {P::Gzip, P::Pbzx, P::Cpio}) {
        for (const bool product : {false, true}) {
            QTemporaryDir dir;
            const QString target = dir.filePath("root");
            QDir().mkpath(target + "/Applications/Old.app");
            QByteArray big(20000, 'x');
            for (int i = 0; i < big.size(); ++i)
                big[i] = char('a' + (i * 7) % 26);
            const QString package = dir.filePath("p.pkg");
            ASSERT_TRUE(PackageBuilder::teamA(true)
                            .payload(format)
                            .product(product)
                            .file("Alpha.app/Contents/MacOS/alpha", big, 04755)
                            .symlink("Alpha.app/Contents/Current", "MacOS")
                            .write(package));
            const ToolRun run = runTool("installer", {"-pkg", package, "-target", target});
            ASSERT_EQ(run.status, 0) << run.output.toStdString();
            EXPECT_TRUE(run.output.endsWith("installer: The install was successful.\n"));
            const QString app = target + "/Applications/Alpha.app";
            EXPECT_EQ(contents(app + "/Contents/MacOS/alpha"), big);
            EXPECT_EQ(contents(app + "/Contents/Info.plist"), "<plist/>");
            EXPECT_EQ(QFileInfo(app + "/Contents/Current").symLinkTarget(), app + "/Contents/MacOS");
            struct stat st;
            ASSERT_EQ(::stat(QFile::encodeName(app + "/Contents/MacOS/alpha").constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0755u) << "set-id bits are dropped";
            // What was there stays; no staging folder is left behind.
            EXPECT_EQ(tree(target + "/Applications").filter(".quenlark").size(), 0);
            EXPECT_TRUE(QFileInfo(target + "/Applications/Old.app").isDir());
        }
    }
}

TEST(Installer, RefusesHostilePayloadsAndWritesNothingOutside) {
    struct Case {
        const char* what;
        PackageBuilder builder;
    };
    const QList<Case> cases = {
        {"dot-dot name", PackageBuilder().file("../outside", "x")},
        {"absolute name", PackageBuilder().file("/outside", "x")},
        {"link out of the target", PackageBuilder().symlink("escape", "../../..")},
        {"absolute link", PackageBuilder().symlink("escape", "/etc")},
        {"write through a link", PackageBuilder().symlink("escape", "../..").file("escape/outside", "x")},
        {"install location leaving the target", PackageBuilder().file("a", "x").installLocation("/../../..")},
        {"changed after signing", PackageBuilder::teamA(true).tamper(PackageBuilder::Tamper::Toc)},
        {"not a payload", PackageBuilder().rawPayload("MZ not a cpio")},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString target = dir.filePath("a/b/root");
        QDir().mkpath(target);
        const QString package = dir.filePath("p.pkg");
        ASSERT_TRUE(c.builder.write(package));
        const ToolRun run = runTool("installer", {"-pkg", package, "-target", target});
        EXPECT_EQ(run.status, 1) << c.what << run.output.toStdString();
        EXPECT_TRUE(run.output.contains("installer: Error - The ")) << c.what << run.output.toStdString();
        const QStringList allowed{"a", "a/b", "a/b/root", "a/b/root/Applications", "p.pkg"};
        for (const QString& entry : tree(dir.path()))
            EXPECT_TRUE(allowed.contains(entry)) << c.what << " left " << entry.toStdString();
    }
}

TEST(Installer, RefusesAPayloadThatExpandsBeyondItsBound) {
    QTemporaryDir dir;
    const QString package = dir.filePath("bomb.pkg");
    ASSERT_TRUE(PackageBuilder().file("zeros", QByteArray(8 << 20, '\0')).write(package));
    QDir().mkpath(dir.filePath("root"));
    qputenv("QUENLARK_INSTALLER_MAX_BYTES", "1048576");
    const ToolRun run = runTool("installer", {"-pkg", package, "-target", dir.filePath("root")});
    qunsetenv("QUENLARK_INSTALLER_MAX_BYTES");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.output.contains(
        "installer: Error - The package's payload expands to far more than it holds. Refusing to install it."))
        << run.output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("root/Applications/zeros")));

    // The ratio bound alone, without a lowered absolute one.
    PackageInstaller::Limits limits;
    limits.ratio = 100;
    limits.ratioFloor = 1 << 20;
    const QString root = dir.filePath("root");
    EXPECT_THROW(PackageInstaller::install(package, root, limits), PackageInstaller::Failure);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("root/Applications/zeros")));
    EXPECT_EQ(PackageInstaller::install(package, root, PackageInstaller::Limits()), QStringList{"bomb.pkg"});
    EXPECT_EQ(QFileInfo(dir.filePath("root/Applications/zeros")).size(), 8 << 20);
}

TEST(Installer, LooksUpTheComponentsOfALargeProductArchiveInOnePass) {
    // A product archive listing many component folders, none with a payload: each folder's
    // Payload is looked up by path, never by walking the whole table once per folder.
    constexpr int folders = 200000;
    QByteArray toc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><xar><toc>"
                     "<checksum style=\"sha1\"><offset>0</offset><size>20</size></checksum>"
                     "<file id=\"1\"><name>Distribution</name><type>file</type></file>";
    for (int i = 0; i < folders; ++i)
        toc += "<file id=\"" + QByteArray::number(i + 2) + "\"><name>c" + QByteArray::number(i) +
               ".pkg</name><type>directory</type></file>";
    toc += "</toc></xar>";
    const QByteArray compressed = PackageBuilder::zlib(toc);
    const QByteArray checksum = QCryptographicHash::hash(compressed, QCryptographicHash::Sha1);
    QTemporaryDir dir;
    const QString package = dir.filePath("many.pkg");
    QFile file(package);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(PackageBuilder::xar(compressed, quint64(compressed.size()), quint64(toc.size()), checksum));
    file.close();
    try {
        PackageInstaller::install(package, dir.path(), PackageInstaller::Limits());
        ADD_FAILURE() << "a package without a payload was installed";
    } catch (const PackageInstaller::Failure& failure) {
        EXPECT_STREQ(failure.what(), "The package has nothing to install.");
    }
}

namespace {

// Installs `builder` at "/" of a fresh target prepared by `prepare`; the failure's sentence, or "".
struct Outcome {
    QString refusal;
    QStringList before;
    QStringList after;
};

Outcome installAtRoot(const QString& target, PackageBuilder builder) {
    Outcome outcome;
    outcome.before = tree(target);
    const QString package = QFileInfo(target).path() + "/p.pkg";
    EXPECT_TRUE(builder.installLocation("/").write(package));
    try {
        PackageInstaller::install(package, target, PackageInstaller::Limits());
    } catch (const PackageInstaller::Failure& failure) {
        outcome.refusal = QString::fromUtf8(failure.what());
    }
    outcome.after = tree(target);
    return outcome;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(Installer, RefusesBeforeWritingAnythingWhenAnEntryWouldDestroyWhatIsThere) {
    struct Case {
        const char* what;
        std::function<void(const QString& target, const QString& outside)> prepare;
        PackageBuilder builder;
        QString refusal;
    };
    const auto applications = [](const QString& target, const QString&) {
        writeFile(target + "/Applications/Old.app/Contents/Info.plist", "<plist/>");
    };
    const QList<Case> cases = {
        {"a link over a folder", applications,
         PackageBuilder().file("AAA", "first").symlink("Applications", "elsewhere"),
         "The package's payload would replace the folder /Applications with a file. Refusing to install it."},
        {"a file over a folder", applications, PackageBuilder().file("AAA", "first").file("Applications", "x"),
         "The package's payload would replace the folder /Applications with a file. Refusing to install it."},
        {"a folder over a file", [](const QString& target, const QString&) { writeFile(target + "/etc", "conf"); },
         PackageBuilder().file("AAA", "first").file("etc/passwd", "x"),
         "The package's payload would put a folder where the file /etc is. Refusing to install it."},
        {"a folder over a link out of the target",
         [](const QString& target, const QString& outside) { QFile::link(outside, target + "/lib"); },
         PackageBuilder().file("AAA", "first").file("lib/evil", "x"),
         "The package's payload would write through the link /lib, which leads out of the target. Refusing to "
         "install it."},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString target = dir.filePath("root");
        const QString outside = dir.filePath("outside");
        QDir().mkpath(target);
        QDir().mkpath(outside);
        c.prepare(target, outside);
        const Outcome outcome = installAtRoot(target, c.builder);
        EXPECT_EQ(outcome.refusal, c.refusal) << c.what;
        EXPECT_EQ(outcome.after, outcome.before) << c.what << ": the target is left as it was";
        EXPECT_TRUE(QDir(outside).isEmpty()) << c.what;
    }
}

TEST(Installer, MergesThroughLinksInsideTheTargetAndReplacesItemsByRenaming) {
    QTemporaryDir dir;
    const QString target = dir.filePath("root");
    writeFile(target + "/usr/bin/sh", "shell");
    ASSERT_TRUE(QFile::link("usr/bin", target + "/bin"));
    writeFile(dir.filePath("outside/conf"), "old");
    ASSERT_TRUE(QFile::link("../outside/conf", target + "/conf"));
    writeFile(target + "/usr/bin/tool", "old tool");

    const Outcome outcome = installAtRoot(
        target, PackageBuilder().file("bin/tool", "new tool", 0755).file("bin/other", "o").file("conf", "new"));
    ASSERT_EQ(outcome.refusal, "");
    EXPECT_EQ(QFileInfo(target + "/bin").symLinkTarget(), target + "/usr/bin") << "the link to a folder stays";
    EXPECT_EQ(contents(target + "/usr/bin/sh"), "shell");
    EXPECT_EQ(contents(target + "/usr/bin/tool"), "new tool");
    EXPECT_EQ(contents(target + "/usr/bin/other"), "o");
    EXPECT_FALSE(QFileInfo(target + "/conf").isSymLink()) << "a link in the way is replaced, not written through";
    EXPECT_EQ(contents(target + "/conf"), "new");
    EXPECT_EQ(contents(dir.filePath("outside/conf")), "old");
    EXPECT_EQ(outcome.after.filter(".quenlark").size(), 0);
}

TEST(Installer, APayloadIsOnlyACpioArchiveUnderOneCompression) {
    using P = PackageBuilder::Payload;
    for (const P format : {P::Xz, P::Bzip2}) {
        QTemporaryDir dir;
        const QString target = dir.filePath("root");
        QDir().mkpath(target);
        ASSERT_EQ(installAtRoot(target, PackageBuilder().payload(format).file("a", "alpha")).refusal, "");
        EXPECT_EQ(contents(target + "/a"), "alpha");
    }
    // A zip of zeros inside the gzip stream: small as decoded by the one compression, large
    // once unpacked. It is not a payload and is never unpacked.
    QTemporaryDir dir;
    const QString zip = dir.filePath("zeros.zip");
    ASSERT_TRUE(ZipBuilder().file("zeros", QByteArray(8 << 20, '\0')).write(zip));
    QFile file(zip);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray zipped = file.readAll();
    const QByteArray cpio = PackageBuilder().file("inner", "x").cpio();
    const QString target = dir.filePath("root");
    QDir().mkpath(target);
    const QString package = dir.filePath("p.pkg");
    PackageInstaller::Limits limits;
    limits.expanded = 1 << 20;
    limits.ratioFloor = 1 << 20;
    for (const QByteArray& raw : {PackageBuilder::gzip(zipped), PackageBuilder::gzip(PackageBuilder::gzip(cpio)),
                                  PackageBuilder::bzip2(zipped)}) {
        ASSERT_TRUE(PackageBuilder().rawPayload(raw).write(package));
        try {
            PackageInstaller::install(package, target, limits);
            ADD_FAILURE() << "a payload that is not cpio was installed";
        } catch (const PackageInstaller::Failure& failure) {
            EXPECT_STREQ(failure.what(), "The package's payload is in a format this system does not install.");
        }
        EXPECT_TRUE(QDir(target).isEmpty());
    }
}

TEST(Installer, ADamagedOrCutPayloadIsRefusedBeforeAnythingIsMovedIn) {
    // Payloads stream into the staging folder and are checked at their end: whatever was unpacked
    // before the damage shows must never reach the target.
    QByteArray content(300000, Qt::Uninitialized);
    for (int i = 0; i < content.size(); ++i)
        content[i] = char((quint32(i) * 7919u) >> 5);
    const PackageBuilder entries = PackageBuilder().installLocation("/").file("first", "complete").file("big", content);
    const QByteArray cpio = entries.cpio();
    const auto bigEndian64 = [](quint64 value) {
        QByteArray bytes(8, '\0');
        for (int i = 7; i >= 0; --i, value >>= 8)
            bytes[i] = char(value & 0xFF);
        return bytes;
    };
    const QByteArray pbzxCut = "pbzx" + bigEndian64(1 << 24) + bigEndian64(quint64(cpio.size())) +
                               bigEndian64(quint64(cpio.size())) + cpio.left(cpio.size() / 2);

    // A stored payload whose bytes changed after packaging: it unpacks, but its checksum differs.
    QByteArray changed = PackageBuilder(entries).payload(PackageBuilder::Payload::Cpio).build();
    const qsizetype at = changed.indexOf(content.mid(1000, 64));
    ASSERT_GT(at, 0);
    changed[at] = char(changed[at] ^ 1);

    struct Case {
        const char* what;
        QByteArray package;
        QString refusal;
    };
    const QByteArray gzip = PackageBuilder::gzip(cpio);
    const QByteArray bzip2 = PackageBuilder::bzip2(cpio);
    const QList<Case> cases = {
        {"changed after packaging", changed, "The package's contents do not match their checksum."},
        {"gzip cut short", PackageBuilder(entries).rawPayload(gzip.left(gzip.size() / 2)).build(),
         "The package's payload is damaged."},
        {"gzip without its trailer", PackageBuilder(entries).rawPayload(gzip.chopped(8)).build(),
         "The package's payload is damaged."},
        {"pbzx chunk cut short", PackageBuilder(entries).rawPayload(pbzxCut).build(),
         "The package's payload is damaged."},
        {"bzip2 cut short", PackageBuilder(entries).rawPayload(bzip2.left(bzip2.size() / 2)).build(),
         "The package's payload is damaged."},
        {"cpio cut short", PackageBuilder(entries).rawPayload(cpio.left(cpio.size() / 2)).build(),
         "The package's payload was refused: "},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString target = dir.filePath("root");
        writeFile(target + "/Applications/Old.app/Contents/Info.plist", "<plist/>");
        const QStringList before = tree(target);
        const QString package = dir.filePath("p.pkg");
        QFile file(package);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.package);
        file.close();
        try {
            PackageInstaller::install(package, target, PackageInstaller::Limits());
            ADD_FAILURE() << c.what << ": installed";
        } catch (const PackageInstaller::Failure& failure) {
            EXPECT_TRUE(QString::fromUtf8(failure.what()).startsWith(c.refusal)) << c.what << ": " << failure.what();
        }
        EXPECT_EQ(tree(target), before) << c.what << ": the target is left as it was, with no staging folder";
    }
}

// Items whose destination lies across a mount point inside the target are staged on that file
// system; a move that fails part-way puts back every move made before it.
TEST(Installer, AcrossAMountPointOrFailingPartWayNothingIsLeftHalfInstalled) {
    struct RefusingOne : FileOps {
        QString refused;
        RefusingOne() { FileOps::setForTest(this); }
        ~RefusingOne() override { FileOps::setForTest(nullptr); }
        int renameNoReplace(const QString& from, const QString& to) override {
            return to == refused ? EPERM : FileOps::renameNoReplace(from, to);
        }
        int exchange(const QString& a, const QString& b) override {
            return b == refused ? EPERM : FileOps::exchange(a, b);
        }
    };
    struct Case {
        const char* what;
        const char* tmpfsSize; // mounted at Library, or none
        QString refused;       // the destination whose move fails
        QByteArray font;
        QString refusal;
    };
    const QList<Case> cases = {
        {"across a mount point", "1m", "", "font", ""},
        {"refused part-way", nullptr, "zzz", "font", "The package's files couldn't be moved into place."},
        {"refused part-way across a mount point", "1m", "zzz", "font",
         "The package's files couldn't be moved into place."},
        {"a full file system across a mount point", "64k", "", QByteArray(256 * 1024, 'f'),
         "The package's payload couldn't be unpacked."},
    };
    bool mountable = true;
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString target = QFileInfo(dir.path()).canonicalFilePath() + "/root";
        QDir().mkpath(target + "/Library");
        if (c.tmpfsSize) {
            const QByteArray options = QByteArray("size=") + c.tmpfsSize;
            if (::mount("quenlark-test", QFile::encodeName(target + "/Library").constData(), "tmpfs", 0,
                        options.constData()) != 0) {
                mountable = false;
                continue;
            }
        }
        writeFile(target + "/conf", "old");
        writeFile(target + "/Library/conf", "old library");
        RefusingOne ops;
        ops.refused = c.refused.isEmpty() ? QString() : target + "/" + c.refused;
        const Outcome outcome = installAtRoot(target, PackageBuilder()
                                                          .file("AAA", "a")
                                                          .file("conf", "new")
                                                          .file("Library/Fonts/font", c.font)
                                                          .file("Library/conf", "new library")
                                                          .file("zzz", "z"));
        EXPECT_EQ(outcome.refusal, c.refusal) << c.what;
        if (c.refusal.isEmpty()) {
            EXPECT_EQ(contents(target + "/Library/Fonts/font"), c.font) << c.what;
            EXPECT_EQ(contents(target + "/Library/conf"), "new library") << c.what;
            EXPECT_EQ(contents(target + "/conf"), "new") << c.what;
            EXPECT_EQ(outcome.after.filter(".quenlark"), QStringList()) << c.what;
        } else {
            EXPECT_EQ(outcome.after, outcome.before) << c.what << ": the target is left as it was";
            EXPECT_EQ(contents(target + "/Library/conf"), "old library") << c.what;
            EXPECT_EQ(contents(target + "/conf"), "old") << c.what;
        }
        if (c.tmpfsSize)
            ::umount2(QFile::encodeName(target + "/Library").constData(), MNT_DETACH);
    }
    if (!mountable)
        GTEST_SKIP() << "mounting a tmpfs is not permitted here: the cases across a mount point did not run";
}
