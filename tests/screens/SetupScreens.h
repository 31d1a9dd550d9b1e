#pragma once

#include <QString>

// Pictures of the setup window at each step: the move (from outside Applications and
// translocated), the move after a failure, the login question and the last card.
namespace SetupScreens {

bool render(const QString& out, const QString& theme);

} // namespace SetupScreens
