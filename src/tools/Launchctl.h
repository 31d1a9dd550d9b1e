#pragma once

#include <QStringList>

// The launchctl stand-in: "bootout <domain> <path>...". Nothing on this system is loaded from a
// launch-agent property list, so there is nothing to unload: the request is recorded, one line
// per call, in launchctl.log of the program's state folder ($XDG_STATE_HOME or ~/.local/state,
// then com.quenlark.Quenlark), and succeeds.
int launchctlMain(const QStringList& args);
