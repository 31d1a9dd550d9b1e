#pragma once

class Palette;
class QPainter;
class QPainterPath;

// The keyboard-focus ring the kit's controls draw around their own shape: the accent at half
// strength, 2 wide.
namespace FocusRing {
void paint(QPainter& painter, const QPainterPath& shape, const Palette& palette);
} // namespace FocusRing
