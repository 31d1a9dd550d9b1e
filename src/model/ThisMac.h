#pragma once

#include <QString>


// What this computer is called, what hardware it is, and a stable hashed id for the cloud
// library's device record.
namespace ThisMac {

// The name to show for this computer: the user's own name from the settings when not empty
// (kept as typed), else the computer's name as the system gives it. GUI thread (an observed read).
QString name();
QString name(const QString& deviceName);

// The system's name for this computer: the pretty host name, else the host name, else
// "This Mac".
QString computerName();

// The hardware model (the DMI product name), "" when the firmware gives none.
QString model();

// SHA-256 of "quenlark:" + this machine's id as 64 lower-case hex digits, fixed for the run.
// The id is the machine id, else the device id kept in the user defaults.
QString platformHardwareID();

// The id used when the machine id is missing: "--device-id", else the stored one, else a new
// one ("d" + a UUID without dashes), stored before use.
QString deviceID();

// The hash of an id as platformHardwareID forms it.
QString hashedID(const QString& id);

// Reads system files below `root` instead of "/" and forgets the fixed hash (tests only).
void setRootForTest(const QString& root);

} // namespace ThisMac
