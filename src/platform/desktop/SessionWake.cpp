#include "platform/desktop/SessionWake.h"

#include "runtime/Log.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <unistd.h>

namespace {
const QString login1 = QStringLiteral("org.freedesktop.login1");
const QString login1Path = QStringLiteral("/org/freedesktop/login1");
const QString login1Manager = QStringLiteral("org.freedesktop.login1.Manager");
} // namespace

void SessionWake::listen() { listen(QDBusConnection::systemBus(), QDBusConnection::sessionBus()); }

void SessionWake::listen(const QDBusConnection& system, const QDBusConnection& session) {
    if (listening_)
        return;
    listening_ = true;
    auto hook = [this](QDBusConnection bus, const QString& service, const QString& path, const QString& interface,
                       const QString& name, const char* slot) {
        if (bus.isConnected() && !bus.connect(service, path, interface, name, this, slot))
            qCWarning(lcPlatform) << "Cannot follow" << interface << name;
    };
    hook(system, login1, login1Path, login1Manager, QStringLiteral("PrepareForSleep"), SLOT(prepareForSleep(bool)));
    hook(session, QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
         QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("ActiveChanged"), SLOT(activeChanged(bool)));
    hook(session, QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("/org/gnome/ScreenSaver"),
         QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("ActiveChanged"), SLOT(activeChanged(bool)));
    if (system.isConnected())
        followSession(system);
}

// The Unlock signal comes from this process's own session object, which logind names.
void SessionWake::followSession(const QDBusConnection& system) {
    auto message = QDBusMessage::createMethodCall(login1, login1Path, login1Manager, QStringLiteral("GetSessionByPID"));
    message << static_cast<uint>(getpid());
    auto* watcher = new QDBusPendingCallWatcher(system.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, system](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *call;
        if (reply.isError())
            return; // no logind, or a process outside any session
        QDBusConnection bus = system;
        if (!bus.connect(login1, reply.value().path(), QStringLiteral("org.freedesktop.login1.Session"),
                         QStringLiteral("Unlock"), this, SLOT(unlocked())))
            qCWarning(lcPlatform) << "Cannot follow the session's unlock";
    });
}

void SessionWake::prepareForSleep(bool sleeping) {
    if (!sleeping)
        Q_EMIT woke();
}

void SessionWake::activeChanged(bool active) {
    if (!active)
        Q_EMIT woke();
}

void SessionWake::unlocked() { Q_EMIT woke(); }
