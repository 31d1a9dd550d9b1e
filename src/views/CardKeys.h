#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What a key does while the card list has focus. Pure: the list carries out the outcome.
namespace CardKeys {

enum class Key { down, up, space, enter, backspace, other };

struct Input {
    Key key = Key::other;
    bool command = false;             // the command (Ctrl) modifier is held
    QStringList listed;               // the ids of the listed rows, section after section
    std::optional<QString> selection; // Store.selection
    std::optional<QString> expanded;  // Store.expanded
    bool selectedRemovable = false;   // the selected row exists (listed or not) and may be removed
};

struct Outcome {
    bool handled = false;
    std::optional<QString> selection; // the new Store.selection
    std::optional<QString> expanded;  // the new Store.expanded
    bool remove = false;              // open the uninstall prompt for the selected row
    bool operator==(const Outcome&) const = default;
};

// Arrows move the selection by one listed row, clamped, starting at the first (down) or last
// (up) row when nothing listed is selected; Space and Return open or close the selected card,
// listed or not; Ctrl+Backspace asks to remove the selected row and is ignored when it may not.
Outcome decide(const Input& input);

} // namespace CardKeys
