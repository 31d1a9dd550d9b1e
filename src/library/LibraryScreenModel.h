#pragma once

#include "store/Device.h"
#include "store/LibraryTab.h"
#include "store/Store.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

class LibraryItem;

// What the library screen shows, from the store, this Mac's id (`here`) and the Mac chosen in
// its picker (`device`, none for any Mac): the tabs' rules, the visible rows, the empty view,
// the action bar and the Mac picker. The screen only draws these and calls their operations.
namespace LibraryScreenModel {

// This Mac's entry exists and says installed.
bool installedHere(const LibraryItem& item, const QString& here);
// Not installed here and neither waiting, under way nor done.
bool open(const LibraryItem& item, const QString& here);

// The chosen Mac while it is still one of the account's, else none: a Mac that left the list
// reads "Any Mac" in the picker, so it filters nothing either.
std::optional<QString> chosen(const QList<Device>& devices, const std::optional<QString>& device);

// Whether the tab lists `item`, with `device` already passed through chosen().
bool keeps(LibraryTab tab, const LibraryItem& item, const QString& here, const std::optional<QString>& device);
// Whether the tab's badge counts `item`: neither the search nor the chosen Mac play a part.
bool counts(LibraryTab tab, const LibraryItem& item, const QString& here);

// The visible rows of the current tab, in the library's order.
Store::LibraryRows rows(const Store& store, const std::optional<QString>& device);

// A tab's segment: its title, two spaces and its badge number.
QString tabTitle(LibraryTab tab, int count);

// The view over an empty list: the search's no-matches view, a loading view until the library
// is first listed, or the tab's own, which says where the apps this Mac lacks went when the tab
// shows none of them. `device` as for rows().
struct Empty {
    bool noMatches = false;
    QString symbol, title, description;
};
Empty empty(const Store& store, const std::optional<QString>& device);

// The floating bar under the list, over the visible rows only.
struct ActionBar {
    Store::LibraryRows open, installable, selected;
    QString selectTitle; // "Select All" or "Select None"
    bool selectEnabled = false;
    QString status;
    bool removeShown = false;
    bool removeEnabled = false;
    QString installTitle;
    bool installEnabled = false;

    bool selectsNone() const;
    // What the install button passes to the restore run: the ticked rows, else the installable.
    Store::LibraryRows toInstall() const { return selected.isEmpty() ? installable : selected; }
};
ActionBar actionBar(const Store& store, const Store::LibraryRows& rows);
// The select button's action: ticks every open row, or clears them under "Select None".
void select(const ActionBar& bar);

// One entry of the Mac picker's menu after "Any Mac".
struct MacChoice {
    QString id;
    QString title;
};
QString pickerTitle(const QList<Device>& devices, const std::optional<QString>& device, const QDateTime& now);
QList<MacChoice> pickerChoices(const QList<Device>& devices, const QString& here, const QDateTime& now);

} // namespace LibraryScreenModel
