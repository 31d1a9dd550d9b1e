#pragma once

#include <QList>

// The drifting rows of the welcome pages (the icon wall and the chip rows): positions are pure
// functions of the clock, so a row keeps its pace across redraws and holds three copies of its
// content to wrap without a gap.
namespace Marquee {

// How far a row of length `span` has drifted at `seconds` when it travels one span per
// `period`: between 0 and span; 0 for an empty row.
double phase(double span, double seconds, double period);

// The icon wall's rows.
constexpr int wallRows = 4;
constexpr int wallSpacing = 14;
// Icon size: 64 on the middle rows, 52 on the outer ones.
int wallIconSize(int row);
// Seconds per span: 22, 26, 20 and 28.
double wallPeriod(int row);
// The indices of the icons of one row: the list rotated by row × 7 places, repeated until it
// holds at least 8.
QList<int> wallRow(int row, int count);
// Horizontal offset of a row: even rows drift leftwards, odd rows rightwards.
double wallOffset(int row, double span, double seconds);

// A chip row: each chip takes 160 and 10 of spacing.
constexpr int chipStep = 170;
double chipOffset(int count, double speed, bool reverse, double seconds);

} // namespace Marquee
