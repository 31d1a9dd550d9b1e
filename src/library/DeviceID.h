#pragma once

#include <QString>

// This Mac's id in the account's library: "--device-id" when given, else the one stored under
// "deviceID" in the standard defaults, else a new one ("d" and a UUID without dashes), stored
// there before it is used.
namespace DeviceID {
QString current();
} // namespace DeviceID
