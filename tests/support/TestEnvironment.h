#pragma once

#include <QString>

// The fresh folders every test executable runs in, so that no test touches the real home.
namespace TestEnvironment {

// Makes a fresh temporary root and points HOME, the XDG folders and TMPDIR into it, pins TZ and
// the locale. Call before the application object exists. False when no folder could be made.
bool isolate();

// The root made by isolate() ("" before).
QString root();

// The home folder of the account running the tests, from the password database.
QString realHome();

// Removes the root and everything in it.
void cleanUp();

} // namespace TestEnvironment
