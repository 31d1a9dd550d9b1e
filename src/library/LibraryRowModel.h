#pragma once

#include "model/InstallPhase.h"
#include "store/Device.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

class LibraryItem;
class Store;

// What one row of the library screen shows and does, from its entry, this Mac's id (`here`) and
// the account's Macs. The row widget only draws these.
namespace LibraryRowModel {

// Waiting its turn, downloading, verifying or installing.
bool busy(const InstallPhase& phase);

// The status at the row's right end.
struct Status {
    enum class Kind { progress, tag, done, button };
    enum class Tone { secondary, green };
    Kind kind = Kind::tag;
    QString title;
    QString symbol;              // tag
    Tone tone = Tone::secondary; // tag
    std::optional<double> value; // progress: none sweeps
    bool prominent = false;      // button
    QUrl url;                    // button: what it opens
    QString tooltip;

    bool operator==(const Status&) const = default;
};
Status status(const LibraryItem& item, const QString& here);

// The line under the name: the Macs that have the app, or where it was last seen, and its source.
struct Macs {
    QStringList chips;
    std::optional<QString> absent; // "Not on any Mac", and when it was last seen
    std::optional<QString> source; // "· " and the source

    bool operator==(const Macs&) const = default;
};
Macs macs(const LibraryItem& item, const QList<Device>& devices);

// The caption lines under the Macs line, each with its own look.
struct NoteLine {
    QString text;
    bool alert = false;   // red, else secondary
    bool tooltip = false; // the text is its own tooltip
    int maxLines = 2;

    bool operator==(const NoteLine&) const = default;
};
QList<NoteLine> note(const LibraryItem& item, const QString& here);

// The trailing menu and the context menu.
struct Actions {
    QString openTitle; // "Open in App Store" or "Open Website"
    QUrl openUrl;
    bool removeEnabled = true;
};
Actions actions(const LibraryItem& item);

// The selection checkbox: shown for a selectable row, usable while neither busy nor done.
bool checkboxEnabled(const LibraryItem& item);
// A click on the row: flips the tick of a selectable row that is not busy. Gives whether it did.
bool tap(LibraryItem& item, bool selectable);

// The scanned application of the same bundle id, whose icon the row shows, else none.
std::optional<QString> iconBundle(const Store& store, const LibraryItem& item);
// The placeholder's letter: the name's first character, nothing for an empty name.
QString initial(const QString& name);

// Accessible names of the row's controls.
QString selectName(const QString& name);
QString moreName(const QString& name);

} // namespace LibraryRowModel
