#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// One Mac of the account, identified by its device id.
struct Device {
    QString id;
    QString name;
    QString model;     // empty when the document has none
    QDateTime lastSeen;
    std::optional<QString> hardware; // the hashed hardware id

    bool operator==(const Device&) const = default;
};
