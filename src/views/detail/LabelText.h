#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

class QPainter;

// Plain text measured and drawn as a plain label would draw it, by a widget that draws several
// texts itself: a label each would be measured again at every width a layout tries.
namespace LabelText {

// On one line.
QSize size(const QFont& font, const QString& text);
// Wrapped at word boundaries to `width`.
int height(const QFont& font, const QString& text, int width);
// At the left of `rect` (the right for right-to-left text), centred in its height, clipped to it.
void draw(QPainter& painter, const QRect& rect, const QFont& font, const QColor& colour, const QString& text,
          bool wrap = false);

} // namespace LabelText
