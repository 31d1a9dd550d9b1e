#pragma once

#include "model/Attempt.h"
#include "platform/gui/Palette.h"

#include <QString>

#include <optional>

// One update source tried during the last check, as its row in "Sources Tried" shows it.
namespace AttemptRowModel {

struct Row {
    QString source;
    QString symbol;
    Palette::Tint tint = Palette::Tint::secondary;
    std::optional<QString> found;
    std::optional<QString> url;
    std::optional<QString> line; // the failure or skip reason, in `tint`
    QString accessibility;

    bool operator==(const Row&) const = default;
};

Row row(const Attempt& attempt);

} // namespace AttemptRowModel
