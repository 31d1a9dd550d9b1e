#pragma once

#include <QString>

// Pictures of the settings window: every tab, in the states its rows depend on.
namespace SettingsScreens {

bool render(const QString& out, const QString& theme);

} // namespace SettingsScreens
