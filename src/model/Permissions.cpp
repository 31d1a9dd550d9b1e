#include "model/Permissions.h"

#include "model/MainBundle.h"
#include "platform/desktop/Workspace.h"

#include <QCoro/QCoroDBusPendingCall>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QUrl>


namespace Permissions {

State appManagement() { return State::unknown; }

QCoro::Task<AuthorizationStatus> notifications() {
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        co_return AuthorizationStatus::denied;
    auto message =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                       QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    message << QStringLiteral("org.freedesktop.Notifications");
    const QDBusReply<bool> owned = co_await bus.asyncCall(message, 5000);
    co_return owned.isValid() && owned.value() ? AuthorizationStatus::authorized : AuthorizationStatus::denied;
}

QString notificationSettingsAddress(const QString& bundleID) {
    return QStringLiteral("x-apple.systempreferences:com.apple.Notifications-Settings.extension?id=") + bundleID;
}

bool openNotificationSettings() { return Workspace::open(QUrl(notificationSettingsAddress(MainBundle::identifier()))); }

} // namespace Permissions
