#pragma once

#include "views/detail/RowFacts.h"

#include <QString>

#include <optional>

// The capsule with the installed version and, while an update is offered or under way, the
// latest one.
namespace VersionPillModel {

struct Pill {
    QString installed;
    bool showsLatest = false;
    std::optional<QString> latest; // only when showsLatest and the row has a release
    QString help;

    bool operator==(const Pill&) const = default;
};

Pill pill(const RowFacts& row);

} // namespace VersionPillModel
