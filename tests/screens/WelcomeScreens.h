#pragma once

#include <QString>

// Pictures of the welcome window's five pages: the icon wall with the sample apps' icons, the
// chip rows, the safety steps part-way, the notch demonstration caught mid-cycle and the setup
// page.
namespace WelcomeScreens {

bool render(const QString& out, const QString& theme, const QString& bundles);

} // namespace WelcomeScreens
