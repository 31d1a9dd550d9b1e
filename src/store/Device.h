#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// One Mac of the account, identified by its device id.
struct Device {
    QString id;
    QString name;
    QString model; // empty when the document has none
    QDateTime lastSeen;
    std::optional<QString> hardware; // the hashed hardware id

    bool operator==(const Device&) const = default;
};

// One label per Mac, by device id: its name, and for Macs whose names clash (ignoring case and
// spacing) as many of model, "last seen …" (relative to `now`) and the id's first 4 characters
// as it takes to tell them apart, joined with " · ".
QHash<QString, QString> labels(const QList<Device>& devices, const QDateTime& now);
