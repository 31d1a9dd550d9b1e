#pragma once

#include "store/Session.h"

#include <QDateTime>

#include <optional>

// A signed-in session of ada@example.com with the provider and confirmation state a test needs.
inline Session sampleSession(const QString& provider = QStringLiteral("password"),
                             std::optional<bool> verified = false) {
    Session s;
    s.uid = QStringLiteral("uid-1");
    s.email = QStringLiteral("ada@example.com");
    s.provider = provider;
    s.expires = QDateTime(QDate(2100, 1, 1), QTime(0, 0), Qt::UTC); // no renewal due
    s.emailVerified = verified;
    return s;
}
