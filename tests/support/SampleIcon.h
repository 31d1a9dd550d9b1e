#pragma once

#include <QByteArray>
#include <QColor>
#include <QPainter>

#include <functional>

// Icons of our own for sample bundles: a rounded square in `colour`, lighter at the top, with
// `glyph` drawn over it on a 100-unit grid (white pen and brush set), as .icns bytes the way
// shipped bundles carry their icons. Empty when no icns writer is installed
// (qt6-image-formats-plugins). Text in a glyph needs a QGuiApplication.
namespace SampleIcon {

QByteArray icns(const QColor& colour, const std::function<void(QPainter&)>& glyph);

} // namespace SampleIcon
