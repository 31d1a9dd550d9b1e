#pragma once

#include "views/detail/RowAction.h"
#include "views/detail/RowFacts.h"

#include <QList>
#include <QString>

// The texts of one application's card header: the detail line and what assistive technologies
// hear and can do.
namespace AppCardModel {

// Bundle id, source, build and Team ID, joined by "  ·  ".
QString detail(const RowFacts& row);
// The spoken summary: name, version and the phase or status.
QString accessibilityText(const RowFacts& row);
QString hint(bool expanded);

struct NamedAction {
    QString label;
    RowAction action;
    bool operator==(const NamedAction&) const = default;
};
QList<NamedAction> namedActions(const RowFacts& row);

} // namespace AppCardModel
