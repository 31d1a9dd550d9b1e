#pragma once

#include <QString>

// Pictures of the account views: the sign-in card in both modes (empty, filled, with an error,
// busy), the confirm-email tile, the account nudge and the island's account chips.
namespace AccountScreens {

bool render(const QString& out, const QString& theme);

} // namespace AccountScreens
