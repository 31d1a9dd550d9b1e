#pragma once

#include "onboarding/Tour.h"

#include <QHash>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

// Where the tour's overlay draws a step: the spotlight, the card's place and width, and the
// texts it shows. In the overlay's own space: origin top left, y downwards.
namespace TourLayout {

inline constexpr double padding = 8; // the spotlight beyond its element, each side
inline constexpr double radius = 14; // the spotlight's and the ring's corners
inline constexpr double dimOpacity = 0.62;
inline constexpr double narrowCard = 340;
inline constexpr double wideCard = 420;     // the notch and menu-bar steps
inline constexpr double placedHeight = 190; // the height the placement assumes

// The element's rectangle grown by `padding`, or the empty rectangle at the centre when the
// step's element is not shown.
QRectF spotlight(const QHash<QString, QRectF>& anchors, const QString& anchor, QSizeF size);

// The card's top-left corner: centred under the spotlight, kept 16 from the sides (the right
// bound last), above it when it would come within 12 of the bottom; without a spotlight
// centred on a 420 wide card, 40 from the top for the menu-bar step, else at 0.42 of the height.
QPointF cardOffset(const QRectF& rect, QSizeF size, bool top);

double cardWidth(const Tour::Step& step);

// "3 of 8".
QString counter(int n);
// The card's accessible name: "Tour, step 3 of 8: " and the title.
QString cardName(const Tour::Step& step, int n);
// The explanation, with the reminder that the menu-bar item is off on its step.
QString body(const Tour::Step& step, bool showMenuBar);
// "Done" on the last step, else "Next".
QString forward(int n);

} // namespace TourLayout
