#include "platform/desktop/FileManager.h"

#include <QCoro/QCoroDBusPendingCall>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {
constexpr int callTimeoutMs = 5000;
}

FileManager::FileManager()
    : FileManager(QDBusConnection::sessionBus(), serviceName,
                  [](const QString& folder) { return QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }) {}

FileManager::FileManager(QDBusConnection bus, QString service, std::function<bool(const QString&)> openFolder)
    : bus_(std::move(bus)), service_(std::move(service)), openFolder_(std::move(openFolder)) {}

QCoro::Task<bool> FileManager::reveal(QString path) {
    if (bus_.isConnected()) {
        auto message =
            QDBusMessage::createMethodCall(service_, QStringLiteral("/org/freedesktop/FileManager1"),
                                           QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
        message << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
        const QDBusMessage reply = co_await bus_.asyncCall(message, callTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage)
            co_return true;
    }
    openFolder_(QFileInfo(path).path());
    co_return false;
}
