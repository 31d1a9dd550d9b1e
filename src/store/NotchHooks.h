#pragma once

#include "store/NotchTrigger.h"

#include <memory>
#include <optional>

// The island's window and model belong to the notch; here they are only handed on.
class IslandPanel;
class IslandState;

// What the store and the shell ask of the notch scheduler and the island.
class NotchHooks {
public:
    virtual ~NotchHooks() = default;

    // An island taken out of the island's statics, to be folded away.
    struct Detached {
        std::shared_ptr<IslandPanel> panel;
        std::shared_ptr<IslandState> state;
    };

    // The scheduler: decides whether, when and how the island shows the visible updates.
    virtual void request(NotchTrigger trigger) = 0;
    // Starts watching for wake and screen unlock, at most once per process.
    virtual void start() = 0;
    // Whether the application itself is in use (a tour, the main or welcome window, active).
    virtual bool appInUse() const = 0;

    // The island: drops it listing the visible updates; `automatic` when the scheduler asked.
    virtual void show(bool automatic, bool preview) = 0;
    // Whether the island now up was shown by the scheduler.
    virtual bool autoShown() const = 0;
    // Stops the island's tasks and hands over its panel and state; nothing when none is up.
    virtual std::optional<Detached> detach() = 0;
    // Animates a detached island back into the notch and closes it.
    virtual void fold(Detached island) = 0;
    // Brings up the main window, out of the island when one is up.
    virtual void dropWindow() = 0;
};
