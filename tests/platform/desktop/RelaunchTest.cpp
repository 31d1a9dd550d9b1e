#include "platform/desktop/Relaunch.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QThread>

// The shell is real: a bundle path full of shell syntax must reach the executable unread.
TEST(Relaunch, StartsTheBundleAfterASecondWithItsPathNeverReadAsShell) {
    const QString root = QDir::tempPath() + QStringLiteral("/relaunch");
    const QString marker = root + QStringLiteral("/pwned");
    const QString bundle = root + QStringLiteral("/My \"Apps\" 'here' $(touch ") + marker +
                           QStringLiteral(") `touch ") + marker + QStringLiteral("`; $HOME/Quenlark.app");
    const QString started = root + QStringLiteral("/started");
    ASSERT_TRUE(QDir().mkpath(bundle + QStringLiteral("/Contents/MacOS")));
    const QString program = bundle + QStringLiteral("/Contents/MacOS/quenlark");
    {
        QFile script(program);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s' \"$0\" > '" + started.toUtf8() + "'\n");
    }
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    ASSERT_TRUE(Relaunch::start(bundle, QStringLiteral("quenlark")));
    QThread::msleep(500);
    EXPECT_FALSE(QFile::exists(started)) << "it waits a second first, for this copy to end";
    for (int i = 0; i < 100 && !QFile::exists(started); ++i)
        QThread::msleep(50);
    QThread::msleep(100);
    QFile file(started);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the bundle never started";
    EXPECT_EQ(QString::fromUtf8(file.readAll()), program);
    EXPECT_FALSE(QFile::exists(marker));
}
