#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

// Every test executable's main() isolates the environment before the application object exists.
TEST(TestEnvironment, HomeXdgFoldersAndTemporaryFilesLiveInAFreshFolder) {
    const QString root = TestEnvironment::root();
    ASSERT_FALSE(root.isEmpty());
    const QString home = qEnvironmentVariable("HOME");
    EXPECT_NE(QFileInfo(home).canonicalFilePath(), QFileInfo(TestEnvironment::realHome()).canonicalFilePath());
    EXPECT_EQ(home, root + "/home");
    EXPECT_EQ(QDir::homePath(), home);
    EXPECT_EQ(QDir::tempPath(), root + "/tmp");

    const QStandardPaths::StandardLocation locations[] = {
        QStandardPaths::GenericConfigLocation, QStandardPaths::GenericCacheLocation,
        QStandardPaths::GenericDataLocation,   QStandardPaths::TempLocation,
        QStandardPaths::HomeLocation,
    };
    for (auto location : locations)
        EXPECT_TRUE(QStandardPaths::writableLocation(location).startsWith(root + "/"))
            << QStandardPaths::writableLocation(location).toStdString();

    // Nothing in it but the folders the environment made (this executable writes no files there).
    EXPECT_EQ(QDir(home).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{".cache", ".config", ".local"}));
    EXPECT_TRUE(qEnvironmentVariable("XDG_STATE_HOME").startsWith(root + "/"));
    EXPECT_EQ(qEnvironmentVariable("TZ"), QStringLiteral("UTC"));
}
