#pragma once

#include "notch/NotchHooks.h"
#include "notch/NotchScheduler.h"
#include "platform/desktop/SessionWake.h"
#include "runtime/Shell.h"
#include "store/Store.h"

// The notch seam with the real scheduler behind it. The island's calls do nothing yet: until the
// island exists a due showing drops nothing.
class NotchSchedulerHooks final : public NotchHooks {
public:
    NotchSchedulerHooks(Prefs& prefs, NotchDesktop& desktop, NotchScheduler::Rows rows);

    // The update keys of the rows with an update that carry a release, in the rows' order.
    static QStringList pendingKeys(const Store::Rows& visible);

    NotchScheduler& scheduler() { return scheduler_; }

    void request(NotchTrigger trigger) override { scheduler_.request(trigger); }
    void start() override { scheduler_.start(); }
    bool appInUse() const override { return scheduler_.appInUse(); }

    void show(bool, bool) override {}
    bool autoShown() const override { return false; }
    std::optional<Detached> detach() override { return std::nullopt; }
    void fold(Detached) override {}
    // Without an island, dropping the window is opening it.
    void dropWindow() override { Shell::current().openMainWindow(); }

private:
    SessionWake wake_;
    NotchScheduler scheduler_;
};
