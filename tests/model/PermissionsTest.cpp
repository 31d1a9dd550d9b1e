#include "model/MainBundle.h"
#include "model/Permissions.h"
#include "platform/desktop/Workspace.h"

#include "RunSync.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QUrl>

namespace {

using Permissions::AuthorizationStatus;

TEST(PermissionsOnTheBus, NotificationsFollowTheServer) {
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        EXPECT_EQ(runSync(Permissions::notifications()), AuthorizationStatus::denied);
        GTEST_SKIP() << "no session bus";
    }
    const auto name = "org.freedesktop.Notifications";
    if (bus.interface()->isServiceRegistered(name))
        GTEST_SKIP() << "a notification server already runs on this bus";
    EXPECT_EQ(runSync(Permissions::notifications()), AuthorizationStatus::denied);
    ASSERT_TRUE(bus.registerService(name));
    EXPECT_EQ(runSync(Permissions::notifications()), AuthorizationStatus::authorized);
    bus.unregisterService(name);
    EXPECT_EQ(runSync(Permissions::notifications()), AuthorizationStatus::denied);
}

TEST(Permissions, NotificationSettingsAddressKeepsTheIdentifierAsItIs) {
    const auto address = Permissions::notificationSettingsAddress(MainBundle::identifier());
    EXPECT_EQ(address, QStringLiteral("x-apple.systempreferences:com.apple.Notifications-Settings.extension"
                                      "?id=com.quenlark.Quenlark"));
    // What the workspace receives still reads the same and names the notifications page.
    const QUrl url(address);
    EXPECT_EQ(url.toString(), address);
    EXPECT_TRUE(Workspace::settingsPage(url, "GNOME").has_value());
}

} // namespace
