#pragma once

#include <QCoro/QCoroTask>
#include <QString>

// User notifications: asking to post alerts with sound, and posting one at once under an
// identifier, so that a newer one replaces the one on screen.
class Notifier {
public:
    virtual ~Notifier() = default;

    // Whether alerts may be posted; false when refused or on any failure (no bus, no server).
    virtual QCoro::Task<bool> requestAuthorization() = 0;
    // Posts the notification, replacing the one posted earlier under the same identifier.
    // Failures are silent.
    virtual QCoro::Task<void> add(QString identifier, QString title, QString body) = 0;
};
