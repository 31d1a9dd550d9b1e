#pragma once

#include "platform/gui/Palette.h"
#include "views/detail/RowAction.h"
#include "views/detail/RowFacts.h"

#include <QString>

#include <optional>

// The right-hand end of a row: the install phase while an update runs or has just ended, else
// the verdict of the last check or the one update action that fits the release's source.
namespace RowAccessoryModel {

struct Content {
    enum class Kind { empty, tag, progress, doneMark, button, ring };
    Kind kind = Kind::empty;
    QString title; // tag, button and done mark title; progress label
    QString symbol;
    Palette::Tint tint = Palette::Tint::secondary;
    std::optional<double> value; // progress: absent sweeps
    bool prominent = false;      // button
    RowAction action;
    QString help;

    bool operator==(const Content&) const = default;
};

// Names what is shown: a change of it is one animated swap; a new download fraction is not.
QString stateKey(const RowFacts& row);
Content content(const RowFacts& row);

// The System Settings pane where App Management is granted.
QUrl appManagementPane();

} // namespace RowAccessoryModel
