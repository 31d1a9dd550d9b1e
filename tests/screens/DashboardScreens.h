#pragma once

#include <QString>

// Pictures of the whole dashboard in its main states: the first scan, checks running, all
// current, updates waiting (wide and narrow), the permission banner, a search with no matches,
// the uninstall prompt open and the library's package consent and removal cards.
namespace DashboardScreens {

bool render(const QString& out, const QString& theme, const QString& bundles);

} // namespace DashboardScreens
