#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>

#include <optional>

// One application of the account's library, identified by its bundle identifier.
struct LibraryApp {
    // What one Mac last reported about the application.
    struct OnDevice {
        QString version; // empty when the stored entry has none
        bool installed = false;
        QDateTime seen;

        bool operator==(const OnDevice&) const = default;
    };

    QString id;
    QString name;
    std::optional<QString> team;
    std::optional<QString> source; // display name of the update source that last found a release
    std::optional<QString> caskToken;
    std::optional<QString> feedURL;
    std::optional<QString> edKey;
    std::optional<QString> githubRepo;
    std::optional<QString> storeURL;
    std::optional<QString> homepage;
    QMap<QString, OnDevice> devices; // by device id

    bool operator==(const LibraryApp&) const = default;

    // The time a missing or unreadable stored date reads as.
    static QDateTime distantPast() { return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC); }
};
