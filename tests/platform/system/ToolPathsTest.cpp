#include "platform/system/ToolPaths.h"

#include <gtest/gtest.h>

#include <QFileInfo>

TEST(ToolPaths, EveryPlatformToolRunsAsTheBuildsStandIn) {
    const QString tools = QFileInfo(QStringLiteral(QUENLARK_TOOLS_DIR)).canonicalFilePath();
    const QString executable = QFileInfo(QStringLiteral(QUENLARK_TOOLS_PATH)).canonicalFilePath();
    ASSERT_FALSE(executable.isEmpty());
    EXPECT_EQ(ToolPaths::folder(), tools);
    for (const QString& tool : {ToolPaths::ditto, ToolPaths::hdiutil, ToolPaths::pkgutil, ToolPaths::spctl,
                                ToolPaths::installer, ToolPaths::osascript, ToolPaths::launchctl}) {
        const QString local = ToolPaths::local(tool);
        EXPECT_EQ(local, tools + "/" + QFileInfo(tool).fileName());
        EXPECT_EQ(QFileInfo(local).canonicalFilePath(), executable) << local.toStdString();
    }
    EXPECT_EQ(ToolPaths::local(ToolPaths::shell), "/bin/sh");
    EXPECT_EQ(ToolPaths::local(ToolPaths::privateTmp), "/tmp");
}

TEST(ToolPaths, TheMacFormKeepsEveryPath) {
    ToolPaths::setMacFormForTest(true);
    for (const QString& path : {ToolPaths::ditto, ToolPaths::launchctl, ToolPaths::privateTmp})
        EXPECT_EQ(ToolPaths::local(path), path);
    ToolPaths::setMacFormForTest(false);
}
