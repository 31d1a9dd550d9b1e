#pragma once

class QAbstractButton;
class QPainter;
class QRectF;
class SpringValue;

// The pressed spring of the capsule and round buttons (response 0.25 s, damping 0.7), driving
// `press` from 0 (released) to 1 (pressed) and repainting the button.
namespace PressMotion {
SpringValue* attach(QAbstractButton* button, double* press);
// Scales what `painter` draws next about the centre of `box`, to 1 − `by` × `press`.
void shrink(QPainter& painter, const QRectF& box, double by, double press);
} // namespace PressMotion
