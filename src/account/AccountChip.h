#pragma once

#include <QColor>
#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

class Prefs;
class Store;

// The island header's pointer at one pending account task: confirming the address of a
// password account, or signing in so the app list is backed up.
namespace AccountChip {

enum class Kind { confirm, backup };

struct Chip {
    Kind kind;
    QString title;
    QString symbol;
    // The confirm chip is drawn in the palette's orange; the backup chip in `tint`.
    bool orange;
    QColor tint;
    QString help; // tooltip and accessibility hint
};

// Confirm for a password session known to be unconfirmed, else back up while the nudge is
// wanted, else nothing.
std::optional<Chip> choose(const Store& store, const Prefs& prefs, const QDateTime& now);

// The click: the backup chip first turns the main window to the library; both then open it out
// of the island through `openApp`.
void act(Store& store, Kind kind, const std::function<void()>& openApp);

} // namespace AccountChip
