#pragma once

#include "platform/desktop/Notifier.h"

#include <QDBusConnection>
#include <QHash>
#include <QString>

// User notifications through the desktop's notification server on the session bus
// (org.freedesktop.Notifications). Posting again under an identifier replaces the notification
// the server showed for it. Every call is asynchronous; a missing bus or server is no answer.
class DesktopNotifier final : public Notifier {
public:
    static inline const QString serverName = QStringLiteral("org.freedesktop.Notifications");

    DesktopNotifier();
    // Another bus or server name, for tests.
    DesktopNotifier(QDBusConnection bus, QString service);

    // Alerts may be posted while a server answers.
    QCoro::Task<bool> requestAuthorization() override;
    QCoro::Task<void> add(QString identifier, QString title, QString body) override;

    // The id the server gave the notification posted under `identifier`; 0 before.
    uint serverId(const QString& identifier) const { return ids_.value(identifier); }

private:
    // Whether the server reads markup in a body, where a name's "&" or "<" would be taken for it.
    QCoro::Task<bool> readsMarkup();

    QDBusConnection bus_;
    QString service_;
    QHash<QString, uint> ids_;
};
