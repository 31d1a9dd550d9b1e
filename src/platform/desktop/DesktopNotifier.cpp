#include "platform/desktop/DesktopNotifier.h"

#include "runtime/Log.h"

#include <QCoro/QCoroDBusPendingCall>
#include <QDBusMessage>
#include <QDBusReply>
#include <QStringList>
#include <QVariantMap>

namespace {

const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
// A server that never answers must not keep the caller waiting long.
constexpr int callTimeoutMs = 5000;

} // namespace

DesktopNotifier::DesktopNotifier() : DesktopNotifier(QDBusConnection::sessionBus(), serverName) {}

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QString service)
    : bus_(std::move(bus)), service_(std::move(service)) {}

QCoro::Task<bool> DesktopNotifier::requestAuthorization() {
    if (!bus_.isConnected())
        co_return false;
    auto message = QDBusMessage::createMethodCall(service_, path, interface, QStringLiteral("GetServerInformation"));
    const QDBusMessage reply = co_await bus_.asyncCall(message, callTimeoutMs);
    co_return reply.type() == QDBusMessage::ReplyMessage;
}

QCoro::Task<bool> DesktopNotifier::readsMarkup() {
    auto message = QDBusMessage::createMethodCall(service_, path, interface, QStringLiteral("GetCapabilities"));
    const QDBusReply<QStringList> reply = co_await bus_.asyncCall(message, callTimeoutMs);
    co_return reply.isValid() && reply.value().contains(QStringLiteral("body-markup"));
}

QCoro::Task<void> DesktopNotifier::add(QString identifier, QString title, QString body) {
    if (!bus_.isConnected())
        co_return;
    if (co_await readsMarkup())
        body = body.toHtmlEscaped();
    auto message = QDBusMessage::createMethodCall(service_, path, interface, QStringLiteral("Notify"));
    message << QStringLiteral("Quenlark") << ids_.value(identifier) << QString() << title << body << QStringList()
            << QVariantMap() << qint32(-1);
    const QDBusReply<uint> reply = co_await bus_.asyncCall(message, callTimeoutMs);
    if (!reply.isValid()) {
        qCDebug(lcPlatform) << "notification not posted:" << reply.error().name();
        co_return;
    }
    ids_.insert(identifier, reply.value());
}
