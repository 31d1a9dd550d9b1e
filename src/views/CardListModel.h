#pragma once

#include "model/Filter.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class AppItem;

// What the card list shows for the rows of a filter: its sections, and its empty state.
namespace CardListModel {

using Rows = QList<std::shared_ptr<AppItem>>;

struct Section {
    QString title; // empty: an untitled section
    Rows rows;
};

// Under `all`, once no row is checking, the rows grouped by status (updates, can't verify, up to
// date, ignored; empty groups dropped); otherwise one untitled section, or none for no rows.
// Reads every row's status.
QList<Section> sections(const Rows& shown, Filter filter);

struct Empty {
    QString title;
    QString description;
};

// The empty state of a filter with no search text; nothing under the library filter. With a
// search text the list shows the no-matches view instead.
std::optional<Empty> emptyState(Filter filter, const QStringList& folders);

} // namespace CardListModel
