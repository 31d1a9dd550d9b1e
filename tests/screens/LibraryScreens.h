#pragma once

#include <QString>

// Pictures of the library screen: signed out, loading, each tab empty, rows in every phase, a
// sync error, and the Mac picker's menu with two Macs of one name.
namespace LibraryScreens {

bool render(const QString& out, const QString& theme);

} // namespace LibraryScreens
