#include "ToolRunner.h"
#include "ZipBuilder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

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
        {"absolute name", ZipBuilder().file(outside + "/abs", "x"),
         nullptr, "outside/abs"},
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
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(c.mustNotExist)) || QFileInfo(dir.filePath(c.mustNotExist)).isSymLink());
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
    EXPECT_EQ(missing.output.toStdString(), ("ditto: " + dir.filePath("nope.zip") + ": No such file or directory\n").toStdString());

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
}
