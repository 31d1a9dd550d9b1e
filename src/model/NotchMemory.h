#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

#include <optional>

// What the notch has shown and been told, kept between showings. Stored as JSON whose keys are
// the field names; dates are seconds since 1 January 2001 and are left out when absent.
struct NotchMemory {
    std::optional<QDateTime> lastShown;
    QStringList lastShownKeys;
    std::optional<QDateTime> snoozedUntil;
    QStringList dismissedKeys;
    qint64 dismissals = 0;
    bool askedToStop = false;

    bool operator==(const NotchMemory&) const = default;

    QByteArray toJson() const;
    // Nothing unless every field that is not a date is present with its type.
    static std::optional<NotchMemory> fromJson(const QByteArray& json);
};
