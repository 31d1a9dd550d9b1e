#pragma once

#include "platform/gui/Palette.h"
#include "views/detail/RowFacts.h"

#include <QString>

// Where one application stands, at the top of its detail pane: from the install phase while an
// install runs or has just ended, else from the status.
namespace StatusCardModel {

struct Card {
    QString symbol;
    Palette::Tint tint = Palette::Tint::secondary;
    QString title;
    QString message;

    bool operator==(const Card&) const = default;
};

Card card(const RowFacts& row);

} // namespace StatusCardModel
