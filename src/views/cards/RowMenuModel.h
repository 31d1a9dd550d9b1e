#pragma once

#include "views/detail/RowAction.h"
#include "views/detail/RowFacts.h"

#include <QList>
#include <QString>

// The context menu of one card: every command on that application, top to bottom.
namespace RowMenuModel {

struct Entry {
    QString title; // empty for a divider
    RowAction action;
    bool enabled = true;
    bool destructive = false;
    bool isDivider() const { return title.isEmpty(); }
    bool operator==(const Entry&) const = default;
};

QList<Entry> entries(const RowFacts& row);

} // namespace RowMenuModel
