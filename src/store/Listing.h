#pragma once

#include <QList>
#include <QString>

#include <optional>

// What one listing of the account's documents read: the records, in the server's order, and,
// when a bound stopped it before the server's last page, the sentence saying so.
template <typename Record>
struct Listing {
    QList<Record> records;
    std::optional<QString> cutShort;
};
