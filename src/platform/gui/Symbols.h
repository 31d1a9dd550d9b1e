#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

// Our own drawings of the symbols the views name, under those names. A drawing has one colour;
// the filled ones cut their inner mark in a second colour (white unless given).
namespace Symbols {

bool has(const QString& name);
QStringList names();

// Paints `name` into `rect` (kept square, centred). Unknown names paint nothing.
void paint(QPainter& painter, const QRectF& rect, const QString& name, const QColor& colour,
           const QColor& inner = Qt::white);
// The drawing at `size` logical pixels for a screen of `devicePixelRatio`.
QPixmap pixmap(const QString& name, int size, const QColor& colour, double devicePixelRatio = 1,
               const QColor& inner = Qt::white);
// An icon of the drawing in `colour` (the palette's primary text colour when not given).
QIcon icon(const QString& name, const QColor& colour = QColor());

} // namespace Symbols
