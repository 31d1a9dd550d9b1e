#include "platform/files/RootOwned.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

TEST(RootOwned, NamesTheFirstPlaceAnotherUserCouldChange) {
    // The system's own tools pass: root's, and every folder above them too.
    EXPECT_EQ(RootOwned::untrusted("/bin/sh"), std::nullopt);
    EXPECT_EQ(RootOwned::untrusted("/nonexistent/tool"), QString("/nonexistent/tool"));

    QTemporaryDir dir;
    const QString folder = dir.filePath("tools");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile tool(folder + "/pkgutil");
    ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
    tool.close();
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    ::chmod(QFile::encodeName(tool.fileName()).constData(), 0755);
    const QString home = QFileInfo(dir.path()).canonicalFilePath();
    if (::getuid() == 0) {
        // Root's own file and folder in a place others may write to: the place is named.
        const auto found = RootOwned::untrusted(tool.fileName());
        ASSERT_TRUE(found);
        EXPECT_FALSE(found->startsWith(home + "/tools")) << found->toStdString();
        ::chmod(QFile::encodeName(tool.fileName()).constData(), 0775);
        EXPECT_EQ(RootOwned::untrusted(tool.fileName()), home + "/tools/pkgutil");
        ::chmod(QFile::encodeName(tool.fileName()).constData(), 0755);
        ::chmod(QFile::encodeName(folder).constData(), 0777);
        EXPECT_EQ(RootOwned::untrusted(tool.fileName()), home + "/tools");
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        ASSERT_EQ(::chown(QFile::encodeName(tool.fileName()).constData(), 12345, 12345), 0);
        EXPECT_EQ(RootOwned::untrusted(tool.fileName()), home + "/tools/pkgutil");
        EXPECT_TRUE(RootOwned::untrustedFolder(folder));
    } else {
        EXPECT_EQ(RootOwned::untrusted(tool.fileName()), home + "/tools/pkgutil");
    }
    // A link to a trusted tool is no better than the folder it stands in.
    ASSERT_TRUE(QFile::link("/bin/sh", folder + "/sh"));
    const auto linked = RootOwned::untrusted(folder + "/sh");
    ASSERT_TRUE(linked);
    EXPECT_TRUE(home.startsWith(*linked) || linked->startsWith(home)) << linked->toStdString();
}
