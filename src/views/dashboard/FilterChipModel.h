#pragma once

#include "model/Filter.h"
#include "model/Motion.h"
#include "platform/gui/Palette.h"

#include <QList>
#include <QString>

class Store;

// The five filter chips, in the order of Filters::all().
namespace FilterChipModel {

struct Chip {
    Filter filter = Filter::all;
    QString title; // shown verbatim
    QString symbol;
    Palette::Tint selectedHue = Palette::Tint::secondary; // the symbol's tint on the selected chip
    bool operator==(const Chip&) const = default;
};

const QList<Chip>& chips();
const Chip& chip(Filter filter);

bool selected(const Store& store, Filter filter);
// An unselected chip's symbol is always secondary.
Palette::Tint symbolHue(const Chip& chip, bool selected);
// The live count, 0 included.
QString countText(const Store& store, Filter filter);
QString accessibilityLabel(const Store& store, Filter filter);
// The same from a count already read.
QString accessibilityLabel(const Chip& chip, const QString& count);
// The tour anchor the chip records: "library" on the library chip alone.
QString tourAnchor(Filter filter);
// How the selection capsule slides: 0.15 s ease-in-out with reduced motion, else a spring.
Motion::Animation selectionAnimation(bool reduceMotion);
// Chooses the chip's filter; choosing the selected one again changes nothing.
void choose(Store& store, Filter filter);

} // namespace FilterChipModel
