#pragma once

#include <QString>

#include <optional>

// This Mac's id in the account's library: "--device-id" when given, else the one stored under
// "deviceID" in the standard defaults, else a new one ("d" and a UUID without dashes), stored
// there before it is used.
namespace DeviceID {
QString current();
// Whether `id` may name this Mac's entries: the library writes "devices.<id>" as an unquoted field
// path, whose segments are [A-Za-z_][A-Za-z0-9_]*.
bool valid(const QString& id);
// The sentence refusing a "--device-id" that is not valid, or nothing.
std::optional<QString> launchProblem();
} // namespace DeviceID
