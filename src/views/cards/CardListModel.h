#pragma once

#include "store/Store.h"

#include <QList>
#include <QString>

#include <optional>

// The card list's content and keys, over the store's selection, expansion and removal.
namespace CardListModel {

// An empty title is an untitled section.
struct Section {
    QString title;
    Store::Rows rows;
};

// The shown rows of the current filter; under "All Apps" grouped by status once no row is
// checking, else one untitled section (none when nothing is shown).
QList<Section> sections(const Store& store);
Store::Rows flatten(const QList<Section>& sections);
// The id of the first row of the first section, which carries the "firstCard" tour anchor.
std::optional<QString> firstRow(const QList<Section>& sections);

// What is drawn over an empty list: nothing while scanning or under the library filter, the
// no-matches view while a search runs, else the filter's own placeholder.
struct EmptyState {
    bool noMatches = false; // show the no-matches view for Store.query
    QString title;
    QString symbol;
    QString description; // the folders under "All Apps", shown verbatim
};
std::optional<EmptyState> emptyState(const Store& store, const QList<Section>& sections);

// Arrow keys: moves the selection by `step` over the listed rows, clamped at both ends; from
// no listed selection, down picks the first row and up the last. Returns the row to scroll
// into view; nothing on an empty list. The key is handled either way.
std::optional<QString> move(Store& store, const QList<Section>& sections, int step);
// Space and Return: opens or closes the selected card, listed or not.
void toggleSelected(Store& store);
// A click on a card: selects it and opens or closes it.
void toggle(Store& store, const QString& id);
// Ctrl+Backspace: opens the uninstall prompt for the selected row (searched among all rows)
// unless it may not be removed or its update runs. Returns whether the key was handled.
bool requestUninstall(Store& store, bool command);

} // namespace CardListModel
