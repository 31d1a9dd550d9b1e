#pragma once

#include "model/Attempt.h"
#include "model/InstallPhase.h"
#include "model/InstalledApp.h"
#include "model/Release.h"
#include "model/Status.h"

#include <QList>
#include <QStringList>

#include <optional>

class AppItem;

// What the row views read of one row, as plain values: the view-models take this, so they are
// worked out (and tested) without observed objects.
struct RowFacts {
    InstalledApp app;
    Status status = Status::checking();
    bool checking = false;
    std::optional<Release> release;
    InstallPhase phase = InstallPhase::idle();
    QList<Attempt> attempts;
    QStringList installLog;

    // Reads every field of `item` (registering the reads with the current observation).
    static RowFacts of(const AppItem& item);

    // An install of this row is under way: queued, downloading, verifying or installing.
    bool busy() const;
    // Whether the row may be handed to the uninstall prompt now: not protected, and no update
    // of it running (removing a bundle that is being swapped would race the install).
    bool removable() const;
};
