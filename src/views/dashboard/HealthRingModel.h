#pragma once

#include "platform/gui/Palette.h"

#include <QList>
#include <QString>

#include <optional>

class Store;

// What the health ring draws: four slices over the visible rows, the spinning refresh arc and
// the centre. Rows still checking belong to no slice, so the slices may cover less than a turn.
namespace HealthRingModel {

struct Slice {
    int count = 0;
    double fraction = 0; // count / max(visible rows, 1)
    Palette::Tint hue = Palette::Tint::green;
    bool operator==(const Slice&) const = default;
};

// Always four, in this order: up to date (green), updates (accent), can't verify (orange),
// ignored (gray).
QList<Slice> slices(const Store& store);

// The drawn part of the slice at `index`, in turns from the top: it starts where the earlier
// slices end and stops 0.006 short, leaving a gap; nothing when the slice is that small.
struct Arc {
    double start = 0;
    double end = 0;
    bool operator==(const Arc&) const = default;
};
std::optional<Arc> arc(const QList<Slice>& slices, int index);

// The fractions, the key the slice animation follows.
QList<double> fractions(const QList<Slice>& slices);

// The refresh arc turns while a refresh runs, unless motion is reduced.
bool showsRefreshArc(const Store& store, bool reduceMotion);
constexpr double refreshArcLength = 0.18; // turns
constexpr double refreshArcPeriod = 1.1;  // seconds per full turn, linear, repeating
constexpr double lineWidth = 10;

// The middle of the ring: the checks done during a refresh, else the updates waiting, else a
// seal (green, nothing unverified) or a check mark (orange). Counts are drawn in one of two sizes.
constexpr double progressSize = 22;
constexpr double countSize = 26;
struct Centre {
    enum class Kind { progress, updates, symbol };
    Kind kind = Kind::symbol;
    int number = 0;
    QString symbol;
    Palette::Tint hue = Palette::Tint::primary;
    double pointSize = 26;
    bool operator==(const Centre&) const = default;
};
Centre centre(const Store& store);

// "u updates, d up to date, c can't be verified".
QString accessibilityLabel(const Store& store);

} // namespace HealthRingModel
