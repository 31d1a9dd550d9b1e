#include "ToolRunner.h"
#include "ZipBuilder.h"

#include "platform/files/Removal.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString readLink(const QString& path) {
    return QFileInfo(path).symLinkTarget().isEmpty() ? QString() : QFile::symLinkTarget(path);
}

mode_t modeOf(const QString& path) {
    struct stat st {};
    lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST(Ditto, UnpacksABundleKeepingModesAndLinksAndDroppingResourceForks) {
    QTemporaryDir dir;
    const QString zip = dir.filePath("app.zip");
    ASSERT_TRUE(ZipBuilder()
                    .folder("Example.app/")
                    .folder("Example.app/Contents/")
                    .folder("Example.app/Contents/MacOS/")
                    .file("Example.app/Contents/MacOS/Example", "#!/bin/sh\n", 04755)
                    .symlink("Example.app/Contents/Current", "MacOS")
                    .file("__MACOSX/Example.app/._Contents", "fork")
                    .file("Example.app/._Info.plist", "fork")
                    .write(zip));
    const QString out = dir.filePath("work/extracted");

    const ToolRun run = runTool("ditto", {"-x", "-k", zip, out});

    ASSERT_EQ(run.status, 0) << run.output.toStdString();
    EXPECT_EQ(modeOf(out + "/Example.app/Contents/MacOS/Example"), 0755u) << "set-id bits are dropped";
    EXPECT_EQ(QFile::symLinkTarget(out + "/Example.app/Contents/Current"), out + "/Example.app/Contents/MacOS");
    EXPECT_FALSE(QFileInfo::exists(out + "/__MACOSX"));
    EXPECT_FALSE(QFileInfo::exists(out + "/Example.app/._Info.plist"));
}

struct Hostile {
    const char* what;
    ZipBuilder archive;
    const char* message;
    const char* mustNotExist; // relative to the test folder
};

TEST(Ditto, RefusesHostileArchivesWithoutWritingOutside) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("outside");
    const QString outside = dir.filePath("outside");
    const QList<Hostile> cases = {
        {"zip slip", ZipBuilder().file("a.app/../../evil", "x"),
         "ditto: a.app/../../evil: Refusing a path that leaves the destination", "evil"},
        {"absolute name", ZipBuilder().file(outside + "/abs", "x"), nullptr, "outside/abs"},
        {"write through a link leaving the tree",
         ZipBuilder().folder("a/").symlink("a/up", "../../outside").file("a/up/planted", "x"),
         "ditto: a/up/planted: Refusing to write through a link in the archive", "outside/planted"},
        {"write through an inner link", ZipBuilder().folder("sub/").symlink("ln", "sub").file("ln/x", "boom"),
         "ditto: ln/x: Refusing to write through a link in the archive", "out/sub/x"},
    };
    for (const Hostile& c : cases) {
        SCOPED_TRACE(c.what);
        const QString zip = dir.filePath("hostile.zip");
        QFile::remove(zip);
        QDir(dir.filePath("out")).removeRecursively();
        ASSERT_TRUE(c.archive.write(zip));

        const ToolRun run = runTool("ditto", {"-x", "-k", zip, dir.filePath("out")});

        EXPECT_EQ(run.status, 1);
        if (c.message)
            EXPECT_EQ(run.output.trimmed().toStdString(), c.message);
        else
            EXPECT_TRUE(run.output.startsWith("ditto: ")) << run.output.toStdString();
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(c.mustNotExist)) ||
                     QFileInfo(dir.filePath(c.mustNotExist)).isSymLink());
    }
}

// Links are made as stored, as the platform tool does; whether one may leave the folder is the
// installer's check, which names the link in its own sentence.
TEST(Ditto, KeepsLinksLeavingTheTreeAsLinksWithoutFollowingThem) {
    QTemporaryDir dir;
    const QString zip = dir.filePath("links.zip");
    ASSERT_TRUE(ZipBuilder().folder("a/").symlink("a/up", "../../outside").symlink("etc", "/etc").write(zip));

    const ToolRun run = runTool("ditto", {"-x", "-k", zip, dir.filePath("out")});

    EXPECT_EQ(run.status, 0) << run.output.toStdString();
    EXPECT_EQ(QFileInfo(dir.filePath("out/a/up")).symLinkTarget(), QDir::cleanPath(dir.filePath("outside")));
    EXPECT_EQ(QFile::symLinkTarget(dir.filePath("out/etc")), "/etc");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("outside")));
}

TEST(Ditto, ReportsUnreadableSourcesAsTheToolDoes) {
    QTemporaryDir dir;
    QFile text(dir.filePath("notes.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("plain text");
    text.close();

    const ToolRun missing = runTool("ditto", {"-x", "-k", dir.filePath("nope.zip"), dir.filePath("out")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.output.toStdString(),
              ("ditto: " + dir.filePath("nope.zip") + ": No such file or directory\n").toStdString());

    const ToolRun notZip = runTool("ditto", {"-x", "-k", text.fileName(), dir.filePath("out")});
    EXPECT_EQ(notZip.status, 1);
    EXPECT_EQ(notZip.output.toStdString(), "ditto: Couldn't read PKZip signature\n");

    const ToolRun noDestination = runTool("ditto", {dir.filePath("x")});
    EXPECT_EQ(noDestination.status, 1);
    EXPECT_TRUE(noDestination.output.startsWith("usage: ditto"));
}

TEST(Ditto, CopiesATreeKeepingLinksAsLinks) {
    QTemporaryDir dir;
    const QString src = dir.filePath("Example.app");
    QDir().mkpath(src + "/Contents/MacOS");
    QFile exe(src + "/Contents/MacOS/Example");
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    exe.write("binary");
    exe.close();
    chmod(QFile::encodeName(exe.fileName()).constData(), 0750);
    QFile::link("/etc/hostname", src + "/Contents/outside");
    QFile::link("MacOS", src + "/Contents/Current");
    QFile helper(src + "/Contents/MacOS/helper");
    ASSERT_TRUE(helper.open(QIODevice::WriteOnly));
    helper.close();
    chmod(QFile::encodeName(helper.fileName()).constData(), 04755);
    QDir().mkpath(src + "/Contents/Shared");
    chmod(QFile::encodeName(src + "/Contents/Shared").constData(), 02755);
    // A link already standing where a file goes is replaced, not written through.
    const QString dst = dir.filePath("staging/Example.app");
    QDir().mkpath(dst + "/Contents/MacOS");
    QFile::link(dir.filePath("victim"), dst + "/Contents/MacOS/Example");

    const ToolRun run = runTool("ditto", {src, dst});

    ASSERT_EQ(run.status, 0) << run.output.toStdString();
    EXPECT_EQ(modeOf(dst + "/Contents/MacOS/Example"), 0750u);
    EXPECT_FALSE(QFileInfo(dst + "/Contents/MacOS/Example").isSymLink());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("victim")));
    EXPECT_EQ(readLink(dst + "/Contents/outside"), "/etc/hostname");
    EXPECT_TRUE(QFileInfo(dst + "/Contents/Current").isSymLink());
    EXPECT_EQ(modeOf(dst + "/Contents/MacOS/helper"), 0755u) << "set-id bits are dropped, as unpacking drops them";
    EXPECT_EQ(modeOf(dst + "/Contents/Shared"), 0755u);
}

TEST(Ditto, CopiesTreesDeeperThanTheLongestPathAndRefusesToUnpackThem) {
    constexpr int depth = 2100;
    QTemporaryDir dir;
    int fd = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::mkdirat(fd, "tree", 0755), 0);
    for (int i = 0, next = ::openat(fd, "tree", O_RDONLY | O_DIRECTORY); i < depth; ++i) {
        ::close(fd);
        fd = next;
        ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
        next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        if (i == depth - 1) {
            ::close(fd);
            fd = next;
        }
    }
    const int leafOut = ::openat(fd, "leaf", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(leafOut, "deep", 4), 4);
    ::close(leafOut);
    ::close(fd);
    const ToolRun copy = runTool("ditto", {dir.filePath("tree"), dir.filePath("copy")});
    ASSERT_EQ(copy.status, 0) << copy.output.toStdString();

    // Walk the copy by descriptors: its paths are longer than any path the system takes.
    fd = ::open(QFile::encodeName(dir.filePath("copy")).constData(), O_RDONLY | O_DIRECTORY);
    int levels = 0;
    for (int next; (next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_NOFOLLOW)) >= 0; ++levels) {
        ::close(fd);
        fd = next;
    }
    char leaf[8] = {};
    const int file = ::openat(fd, "leaf", O_RDONLY);
    EXPECT_EQ(::read(file, leaf, sizeof leaf - 1), 4);
    ::close(file);
    ::close(fd);
    EXPECT_EQ(levels, depth);
    EXPECT_STREQ(leaf, "deep");
    Removal::removeItem(dir.filePath("tree"));
    Removal::removeItem(dir.filePath("copy"));

    // Unpacking checks every folder on the way for a link; one it can't look at refuses the
    // archive rather than passing unseen.
    ZipBuilder zip;
    QString name;
    for (int i = 0; i < 25; ++i) {
        name += QString(200, 'a') + "/";
        zip.folder(name);
    }
    zip.symlink(name + "escape", "/etc").file(name + "escape/passwd", "x");
    ASSERT_TRUE(zip.write(dir.filePath("deep.zip")));
    const ToolRun unpack = runTool("ditto", {"-x", "-k", dir.filePath("deep.zip"), dir.filePath("out")});
    EXPECT_EQ(unpack.status, 1);
    EXPECT_TRUE(unpack.output.endsWith(": File name too long\n")) << unpack.output.right(80).toStdString();
    Removal::removeItem(dir.filePath("out"));
}

TEST(Ditto, UnpackingStopsAtItsCeiling) {
    QTemporaryDir dir;
    ASSERT_TRUE(ZipBuilder().file("zeros", QByteArray(8 << 20, '\0')).write(dir.filePath("bomb.zip")));
    qputenv("QUENLARK_DITTO_MAX_BYTES", "1048576");
    const ToolRun bomb = runTool("ditto", {"-x", "-k", dir.filePath("bomb.zip"), dir.filePath("out")});
    qunsetenv("QUENLARK_DITTO_MAX_BYTES");
    EXPECT_EQ(bomb.status, 1);
    EXPECT_EQ(bomb.output, "ditto: " + dir.filePath("bomb.zip") + ": The archive expands to far more than it holds\n");
    struct stat st {};
    ::stat(QFile::encodeName(dir.filePath("out/zeros")).constData(), &st);
    EXPECT_LE(st.st_blocks * 512, 2 << 20) << "no more than the ceiling is written";
    const ToolRun fits = runTool("ditto", {"-x", "-k", dir.filePath("bomb.zip"), dir.filePath("fits")});
    EXPECT_EQ(fits.status, 0);
    EXPECT_EQ(QFileInfo(dir.filePath("fits/zeros")).size(), 8 << 20);
}
