#include "StoreHarness.h"

#include "runtime/UpdateError.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// Three rows offering 2.0: Alpha, Beta, Gamma.
struct ThreeRows {
    StoreHarness h;
    Store* s = nullptr;

    ThreeRows() {
        for (const char* name : {"Alpha", "Beta", "Gamma"}) {
            h.apps.append(StoreHarness::app(QString::fromLatin1(name)));
            h.offer(h.apps.last(), StoreHarness::release(QStringLiteral("2.0")));
        }
        s = &h.build();
        EXPECT_TRUE(h.settle(h.start(s->refresh())));
    }
    std::shared_ptr<AppItem> row(const char* name) { return h.row(QString::fromLatin1(name)); }
};

} // namespace

TEST(StoreUpdateAll, QueuesEveryRowThenUpdatesThemOneAfterAnother) {
    ThreeRows r;
    auto done = r.h.start(r.s->updateAll());
    EXPECT_TRUE(r.s->updatingAll());
    EXPECT_EQ(r.row("Alpha")->phase(), InstallPhase::downloading(0));
    EXPECT_EQ(r.row("Beta")->phase(), InstallPhase::queued());
    EXPECT_EQ(r.row("Gamma")->phase(), InstallPhase::queued());
    EXPECT_TRUE(r.h.settle(r.h.start(r.s->updateAll()))); // a second run does nothing
    r.h.clock.advance(1150ms);
    EXPECT_EQ(r.row("Alpha")->phase(), InstallPhase::done());
    EXPECT_EQ(r.row("Beta")->phase(), InstallPhase::queued()); // waits for the done hold
    r.h.clock.advance(1400ms);
    EXPECT_EQ(r.row("Beta")->phase(), InstallPhase::downloading(0));
    EXPECT_TRUE(r.h.settle(done));
    EXPECT_FALSE(r.s->updatingAll());
    EXPECT_EQ(r.h.installed, (QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma")}));

    StoreHarness empty;
    Store& none = empty.build();
    EXPECT_TRUE(empty.settle(empty.start(none.updateAll())));
    EXPECT_FALSE(none.updatingAll());
}

TEST(StoreUpdateAll, RowsAlreadyInstallingAreNotQueuedAndTurnedAwayRowsEndIdle) {
    ThreeRows r;
    const auto alpha = r.row("Alpha");
    const auto beta = r.row("Beta");
    alpha->setPhase(InstallPhase::verifying());
    Release store = StoreHarness::release(QStringLiteral("2.0"), SourceKind::appStore);
    beta->setRelease(store);
    auto done = r.h.start(r.s->updateAll(Store::Rows{alpha, beta, r.row("Gamma")}));
    EXPECT_EQ(alpha->phase(), InstallPhase::verifying());
    EXPECT_TRUE(r.h.settle(done));
    EXPECT_EQ(alpha->phase(), InstallPhase::verifying());
    EXPECT_EQ(beta->phase(), InstallPhase::idle()); // its store page opened instead
    EXPECT_EQ(r.h.shell.openedUrls.size(), 1);
    EXPECT_EQ(r.h.installed, QStringList{QStringLiteral("Gamma")});
}

TEST(StoreUpdateAll, ARowUpdatedByHandWhileQueuedIsSkipped) {
    ThreeRows r;
    auto run = r.h.start(r.s->updateAll());
    auto byHand = r.h.start(r.s->update(r.row("Gamma")));
    EXPECT_TRUE(r.h.settle(run));
    EXPECT_TRUE(r.h.settle(byHand));
    EXPECT_EQ(r.h.installed.count(QStringLiteral("Gamma")), 1);
}

TEST(StoreUpdateAll, BlockedRowsRetriedDuringARunAreUpdatedWhenItEnds) {
    ThreeRows r;
    const auto gamma = r.row("Gamma");
    gamma->setPhase(InstallPhase::blocked());
    auto run = r.h.start(r.s->updateAll(Store::Rows{r.row("Alpha")}));
    auto retry = r.h.start(r.s->retryBlocked());
    EXPECT_TRUE(*retry);
    EXPECT_EQ(gamma->phase(), InstallPhase::queued());
    EXPECT_TRUE(r.h.settle(run));
    EXPECT_EQ(r.h.installed, (QStringList{QStringLiteral("Alpha"), QStringLiteral("Gamma")}));
    EXPECT_EQ(gamma->phase(), InstallPhase::done());
}

TEST(StoreUpdateAll, PermissionRefreshRetriesBlockedRowsOnlyWhenItBecomesGranted) {
    ThreeRows r;
    r.h.installError = std::make_exception_ptr(UpdateError(QStringLiteral("Allow it."), {.needsPermission = true}));
    EXPECT_TRUE(r.h.settle(r.h.start(r.s->update(r.row("Alpha")))));
    EXPECT_EQ(r.row("Alpha")->phase(), InstallPhase::blocked());
    EXPECT_EQ(r.s->appManagement(), Permissions::State::denied);
    r.h.installError = nullptr;
    r.h.installed.clear();

    r.h.appManagementAnswer = Permissions::State::denied;
    r.h.notificationAnswer = Permissions::AuthorizationStatus::denied;
    EXPECT_TRUE(r.h.settle(r.h.start(r.s->refreshPermissions())));
    EXPECT_EQ(r.s->notifications(), Permissions::AuthorizationStatus::denied);
    EXPECT_TRUE(r.h.installed.isEmpty());

    r.h.appManagementAnswer = Permissions::State::granted;
    EXPECT_TRUE(r.h.settle(r.h.start(r.s->refreshPermissions())));
    EXPECT_EQ(r.h.installed, QStringList{QStringLiteral("Alpha")});

    r.row("Beta")->setPhase(InstallPhase::blocked());
    EXPECT_TRUE(r.h.settle(r.h.start(r.s->refreshPermissions()))); // already granted
    EXPECT_EQ(r.row("Beta")->phase(), InstallPhase::blocked());
}

TEST(StoreUpdateAll, ARowWhoseQuitCheckOrReadingFailsNeitherEndsTheRunNorLeavesItRunning) {
    for (const bool reading : {false, true}) {
        ThreeRows r;
        const auto alpha = r.row("Alpha");
        if (reading)
            r.h.readErrors.insert(alpha->id()); // installed, then the new copy can't be read
        else
            r.h.runningErrors.insert(alpha->id());
        EXPECT_TRUE(r.h.settle(r.h.start(r.s->updateAll())));
        EXPECT_FALSE(r.s->updatingAll()) << reading;
        EXPECT_EQ(r.h.installed.size(), reading ? 3 : 2) << reading;
        EXPECT_TRUE(r.h.installed.contains(QStringLiteral("Gamma")));
        if (reading) {
            EXPECT_EQ(alpha->phase(), InstallPhase::done());
            EXPECT_EQ(alpha->app().version, QStringLiteral("1.0"));
        } else {
            EXPECT_EQ(alpha->phase().kind(), InstallPhase::Kind::failed);
            EXPECT_EQ(alpha->installLog().value(0).left(15), QStringLiteral("Update failed: "));
        }
        // Update All is offered again.
        EXPECT_TRUE(r.h.settle(r.h.start(r.s->updateAll())));
        EXPECT_FALSE(r.s->updatingAll());
    }
}
