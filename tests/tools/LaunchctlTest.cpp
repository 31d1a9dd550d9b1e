#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <QFile>

TEST(Launchctl, RecordsEachBootoutAndRefusesEverythingElse) {
    const QString log = qEnvironmentVariable("XDG_STATE_HOME") + "/com.quenlark.Quenlark/launchctl.log";
    QFile::remove(log);
    EXPECT_EQ(runTool("launchctl", {"bootout", "gui/501", "/Users/x/Library/LaunchAgents/a b.plist"}).status, 0);
    EXPECT_EQ(runTool("launchctl", {"bootout", "gui/501", "/Users/x/Library/LaunchAgents/c.plist"}).status, 0);
    EXPECT_EQ(runTool("launchctl", {"load", "/Users/x/Library/LaunchAgents/a.plist"}).status, 64);
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "bootout gui/501 /Users/x/Library/LaunchAgents/a b.plist\n"
                           "bootout gui/501 /Users/x/Library/LaunchAgents/c.plist\n");
}
