#pragma once

#include "ScreenSamples.h"

// Three frames of the main window folding into the island (start, middle, end) over a desktop.
namespace FoldScreens {

bool render(const QString& theme, const QString& out, const QList<ScreenSamples::Sample>& samples);

} // namespace FoldScreens
