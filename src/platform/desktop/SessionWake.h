#pragma once

#include <QDBusConnection>
#include <QObject>

// Tells when the computer has woken or the screen has been unlocked: logind's PrepareForSleep
// (false) and the session's Unlock on the system bus, the screensaver's ActiveChanged (false)
// on the session bus. A bus or service that is missing only means no signal from it.
class SessionWake : public QObject {
    Q_OBJECT
public:
    // Subscribes once, on the system and session buses; later calls do nothing.
    void listen();
    void listen(const QDBusConnection& system, const QDBusConnection& session);

Q_SIGNALS:
    void woke();

public Q_SLOTS:
    // Qt D-Bus hooks only public slots.
    void prepareForSleep(bool sleeping);
    void activeChanged(bool active);
    void unlocked();

private:
    void followSession(const QDBusConnection& system);

    bool listening_ = false;
};
