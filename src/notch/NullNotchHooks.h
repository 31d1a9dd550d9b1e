#pragma once

#include "runtime/Shell.h"
#include "store/NotchHooks.h"

// A notch that never schedules nor shows an island, where dropping the window opens it: the
// base of a store's fake notch.
class NullNotchHooks : public NotchHooks {
public:
    void request(NotchTrigger) override {}
    void start() override {}
    bool appInUse() const override { return false; }
    void show(bool, bool) override {}
    bool autoShown() const override { return false; }
    std::optional<Detached> detach() override { return std::nullopt; }
    void fold(Detached) override {}
    void dropWindow() override { Shell::current().openMainWindow(); }
};
