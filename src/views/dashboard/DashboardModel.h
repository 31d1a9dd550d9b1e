#pragma once

#include "platform/gui/Palette.h"

class Store;

// Which optional rows the dashboard column shows, and the backdrop's tint.
namespace DashboardModel {

// The backdrop's one-colour summary: accent while scanning or while updates wait, orange while
// rows can't be verified, else green.
Palette::Tint mood(const Store& store);

// App Management denied, or any row (hidden ones too) blocked by it.
bool showsPermissionBanner(const Store& store);

// A password session whose address is known to be unconfirmed.
bool showsEmailConfirmation(const Store& store);

// Visible rows that are up to date, for the header's summary and the ring's label.
int upToDate(const Store& store);

// The library screen takes the card list's place.
bool showsLibrary(const Store& store);

} // namespace DashboardModel
