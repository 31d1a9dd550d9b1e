#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QIcon>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

// The menu-bar item's image: the application's icon with a red badge counting the updates.
// Geometry in device-independent pixels, origin at the top left.
namespace MenuIcon {

inline constexpr qreal iconSize = 18;
inline constexpr qreal badgeHeight = 11;
inline constexpr qreal badgeMinWidth = 11;
inline constexpr qreal badgeRoom = 5;
inline constexpr qreal badgeShare = 0.55;
inline constexpr qreal badgeRadius = 5.5;
inline constexpr qreal textLift = 0.5;

struct Layout {
    QSizeF image;
    QString text;                // "" without a badge
    std::optional<QRectF> badge; // flush with the image's top and right edges
    QRectF textBox;              // where the text's measured box is drawn
};

// The badge's font: the system font at 8.5, heavy. One point is one device-independent pixel.
QFont badgeFont();
// The font's measurements as the image is drawn with them.
QFontMetricsF badgeMetrics();

// The text is the count up to 9, then "9+"; a count below 1 has no badge.
Layout layout(int count, const QFontMetricsF& metrics);

// The image for `count` at `devicePixelRatio`; an icon that is null leaves the icon's place empty.
QImage image(int count, const QIcon& appIcon, qreal devicePixelRatio = 1);

// The same image fitted into a square of `side` pixels, centred, for tray hosts that give
// every item a square.
QImage square(int count, const QIcon& appIcon, int side);

} // namespace MenuIcon
