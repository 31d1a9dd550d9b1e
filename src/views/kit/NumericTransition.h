#pragma once

#include <QList>
#include <QString>

// How a text changes when numbers in it count: what both texts share (whole words, spaces and
// marks, in order) stays and slides to its new place, the rest of the old text goes up and out
// while the new rises in from below. A number that changed rolls only the digits that differ,
// lined up from its last digit, so "9" to "10" rolls the 9 into a 0 and brings in the 1.
namespace NumericTransition {

struct Piece {
    QString text;
    qsizetype from = -1; // where it stands in the old text; -1 for one that comes in
    qsizetype to = -1;   // where it stands in the new text; -1 for one that goes
    bool operator==(const Piece&) const = default;
};

// The pieces of both texts in reading order, the ones going ahead of the ones coming in where
// they trade places; neighbours that move alike are one piece.
QList<Piece> between(const QString& from, const QString& to);

} // namespace NumericTransition
