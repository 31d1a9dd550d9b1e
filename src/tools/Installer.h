#pragma once

#include <QStringList>

// The package installer stand-in: "installer -pkg <package> -target <folder>" installs the
// payload of each component package at the target plus its install location, never writing
// outside the target. Prints "installer: ..." progress lines; exit 0 on success, 1 on a
// failure ("installer: Error - <sentence>"), 64 on a usage error.
// QUENLARK_INSTALLER_MAX_BYTES may lower (never raise) the bound on a decoded payload.
int installerMain(const QStringList& args);
