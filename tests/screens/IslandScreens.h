#pragma once

#include <QString>

// Pictures of the island: folded, open with one and with seven updates, finished, asking
// whether to keep showing, and folded and open around a notch of 200 × 32.
namespace IslandScreens {

bool render(const QString& theme, const QString& out, const QString& bundles);

} // namespace IslandScreens
