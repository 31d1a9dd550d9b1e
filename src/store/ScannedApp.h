#pragma once

#include "model/InstalledApp.h"
#include "model/Release.h"

#include <optional>

// One application scanned on this Mac with the release its check found, as the library's sync
// uploads it.
struct ScannedApp {
    InstalledApp app;
    std::optional<Release> release;
};
