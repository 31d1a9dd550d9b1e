#include "platform/desktop/Workspace.h"

#include "FakeShell.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QUrl
    notificationsPane("x-apple.systempreferences:com.apple.Notifications-Settings.extension?id=com.quenlark.Quenlark");

TEST(Workspace, NotificationsPaneMapsToTheDesktopsOwnPage) {
    const struct {
        const char* desktop;
        QStringList programs;
        QStringList arguments;
    } cases[] = {
        {"GNOME", {"gnome-control-center"}, {"notifications"}},
        {"ubuntu:GNOME", {"gnome-control-center"}, {"notifications"}},
        {"Unity", {"gnome-control-center"}, {"notifications"}},
        {"KDE", {"systemsettings", "systemsettings5"}, {"kcm_notifications"}},
        {"XFCE", {"xfce4-notifyd-config"}, {}},
    };
    for (const auto& c : cases) {
        const auto page = Workspace::settingsPage(notificationsPane, QString::fromLatin1(c.desktop));
        ASSERT_TRUE(page.has_value()) << c.desktop;
        EXPECT_EQ(page->programs, c.programs) << c.desktop;
        EXPECT_EQ(page->arguments, c.arguments) << c.desktop;
    }
    for (const char* desktop : {"", "LXQt", "sway"})
        EXPECT_FALSE(Workspace::settingsPage(notificationsPane, QString::fromLatin1(desktop))) << desktop;
    // Other panes have no counterpart.
    EXPECT_FALSE(Workspace::settingsPage(
        QUrl("x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles"), "GNOME"));
}

TEST(Workspace, OnlyKnownSchemesReachTheShell) {
    FakeShell shell;
    for (const char* address : {"https://quenlark.com/help", "http://example.org", "mailto:help@example.org"})
        EXPECT_TRUE(Workspace::open(QUrl(QString::fromLatin1(address)))) << address;
    for (const char* address :
         {"javascript:alert(1)", "file:///tmp/run.desktop", "ftp://example.org/a", "smb://host/share", "quenlark://x",
          "data:text/html,hi", "x-apple.systempreferences:com.apple.preference.security"})
        EXPECT_FALSE(Workspace::open(QUrl(QString::fromLatin1(address)))) << address;
    ASSERT_EQ(shell.openedUrls.size(), 3);
    EXPECT_EQ(shell.openedUrls.front(), QUrl("https://quenlark.com/help"));
}

TEST(Workspace, AppStoreAddressesOpenAsTheirWebPage) {
    FakeShell shell;
    const struct {
        const char* address;
        const char* web;
    } cases[] = {
        {"macappstore://apps.apple.com/app/id497799835", "https://apps.apple.com/app/id497799835"},
        {"itms-apps://itunes.apple.com/app/id1?mt=12", "https://itunes.apple.com/app/id1?mt=12"},
        {"https://apps.apple.com/app/id2", "https://apps.apple.com/app/id2"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Workspace::webForm(QUrl(QString::fromLatin1(c.address))), QUrl(QString::fromLatin1(c.web)));
        EXPECT_TRUE(Workspace::open(QUrl(QString::fromLatin1(c.address)))) << c.address;
        EXPECT_EQ(shell.openedUrls.last(), QUrl(QString::fromLatin1(c.web)));
    }
    // A store address without a host names no page.
    EXPECT_FALSE(Workspace::open(QUrl(QStringLiteral("macappstore:app/id1"))));
    EXPECT_EQ(shell.openedUrls.size(), 3);
}

// The desktop's opener is run and its exit status believed; one still running after the wait
// (a browser it started in its place) took the address.
TEST(Workspace, TheOpenersExitStatusSaysWhetherTheAddressOpened) {
    QTemporaryDir bin;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8());
    const struct {
        const char* script; // nullptr: no opener installed
        bool opened;
    } cases[] = {{"exit 0", true}, {"exit 3", false}, {"exec /bin/sleep 5", true}, {nullptr, false}};
    for (const auto& c : cases) {
        QFile opener(bin.filePath("xdg-open"));
        opener.remove();
        if (c.script) {
            ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
            opener.write("#!/bin/sh\nprintf %s \"$1\" > \"$0.got\"\n" + QByteArray(c.script) + "\n");
            opener.close();
            opener.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        }
        EXPECT_EQ(
            Workspace::launchWaiting(QUrl("macappstore://apps.apple.com/app/id1"), std::chrono::milliseconds(300)),
            c.opened)
            << (c.script ? c.script : "none");
    }
    qputenv("PATH", path);
    QFile got(bin.filePath("xdg-open.got"));
    ASSERT_TRUE(got.open(QIODevice::ReadOnly));
    EXPECT_EQ(got.readAll(), "https://apps.apple.com/app/id1");
}

} // namespace
