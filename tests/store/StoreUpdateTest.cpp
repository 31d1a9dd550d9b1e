#include "StoreHarness.h"

#include "runtime/UpdateError.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// One row offering 2.0, checked.
struct Updating {
    StoreHarness h;
    std::shared_ptr<AppItem> row;

    explicit Updating(Release release = StoreHarness::release(QStringLiteral("2.0"))) {
        h.apps = {StoreHarness::app(QStringLiteral("Alpha"))};
        h.offer(h.apps[0], release);
        h.build();
        EXPECT_TRUE(h.settle(h.start(h.store().refresh())));
        row = h.row(QStringLiteral("Alpha"));
    }
};

} // namespace

TEST(StoreUpdate, SuccessLogsTheNotesReadsTheAppAgainAndHoldsDone) {
    Updating u;
    InstalledApp fresh = u.row->app();
    fresh.version = QStringLiteral("2.0");
    u.h.reread = fresh;
    u.h.reportPhases = {InstallPhase::downloading(0.5), InstallPhase::verifying(), InstallPhase::installing()};
    auto done = u.h.start(u.h.store().update(u.row));
    EXPECT_EQ(u.row->phase(), InstallPhase::downloading(0));
    QCoreApplication::processEvents();
    EXPECT_EQ(u.row->phase(), InstallPhase::installing());
    u.h.clock.advance(1000ms + 149ms);
    EXPECT_EQ(u.row->phase(), InstallPhase::installing());
    u.h.clock.advance(1ms);
    EXPECT_EQ(u.row->phase(), InstallPhase::done());
    EXPECT_EQ(u.row->installLog(), QStringList{QStringLiteral("Checked.")});
    EXPECT_EQ(u.row->app().version, QStringLiteral("2.0"));
    EXPECT_EQ(u.row->status(), Status::update()); // until the hold is over
    u.h.clock.advance(1399ms);
    EXPECT_FALSE(*done);
    u.h.clock.advance(1ms);
    EXPECT_TRUE(*done);
    EXPECT_EQ(u.row->status(), Status::upToDate());
    EXPECT_EQ(u.row->phase(), InstallPhase::done());
    EXPECT_EQ(u.h.engineFolders, QStringList{QStringLiteral("/Applications")});

    EXPECT_TRUE(u.h.settle(u.h.start(u.h.store().update(u.row)))); // done refuses
    EXPECT_EQ(u.h.installed.size(), 1);
}

TEST(StoreUpdate, FailuresWriteTwoLinesAndBlockedProbesThePermission) {
    struct Case {
        const char* name;
        std::exception_ptr error;
        bool atBuild;
        Permissions::State probe;
        InstallPhase phase;
        Permissions::State after;
    };
    const auto plain = std::make_exception_ptr(UpdateError(QStringLiteral("The download is damaged.")));
    const auto permission =
        std::make_exception_ptr(UpdateError(QStringLiteral("Allow it."), {.needsPermission = true}));
    const auto other = std::make_exception_ptr(std::runtime_error("x"));
    const QList<Case> cases{
        {"plain", plain, false, Permissions::State::granted,
         InstallPhase::failed(QStringLiteral("The download is damaged.")), Permissions::State::unknown},
        {"engine not built", plain, true, Permissions::State::denied,
         InstallPhase::failed(QStringLiteral("The download is damaged.")), Permissions::State::unknown},
        {"permission, probe granted", permission, false, Permissions::State::granted, InstallPhase::blocked(),
         Permissions::State::unknown},
        {"permission, probe unknown", permission, false, Permissions::State::unknown, InstallPhase::blocked(),
         Permissions::State::denied},
        {"permission, probe denied", permission, false, Permissions::State::denied, InstallPhase::blocked(),
         Permissions::State::denied},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Updating u;
        (c.atBuild ? u.h.buildError : u.h.installError) = c.error;
        u.h.appManagementAnswer = c.probe;
        EXPECT_TRUE(u.h.settle(u.h.start(u.h.store().update(u.row))));
        EXPECT_EQ(u.row->phase(), c.phase);
        EXPECT_EQ(u.row->installLog().size(), 2);
        EXPECT_EQ(u.row->installLog().last(), QStringLiteral("\u2068Alpha\u2069 was left untouched."));
        EXPECT_EQ(u.h.store().appManagement(), c.after);
    }
    Updating u;
    u.h.installError = other;
    EXPECT_TRUE(u.h.settle(u.h.start(u.h.store().update(u.row))));
    EXPECT_EQ(u.row->phase().kind(), InstallPhase::Kind::failed);
    EXPECT_TRUE(u.row->installLog().first().startsWith(QStringLiteral("Update failed: ")));
}

TEST(StoreUpdate, ARunningAppIsQuitAfterTheQuestionAndAwaited) {
    Release release = StoreHarness::release(QStringLiteral("2.0"));
    release.version.reset();
    Updating u(release);
    u.h.runningPolls[u.row->id()] = 4; // the first look and three polls find it
    u.h.shell.answers = {true};
    auto done = u.h.start(u.h.store().update(u.row));
    ASSERT_EQ(u.h.shell.questions.size(), 1);
    const auto& q = u.h.shell.questions[0];
    EXPECT_EQ(q.title, QStringLiteral("Quit \u2068Alpha\u2069 to update it?"));
    EXPECT_EQ(
        q.message,
        QStringLiteral("\u2068Alpha\u2069 is open. Quenlark will quit it, install ? and move the old version to the "
                       "Trash. If the app has unsaved work it may ask you to save first."));
    EXPECT_EQ(q.confirm, QStringLiteral("Quit and Update"));
    EXPECT_EQ(u.h.terminated, QStringList{u.row->id()});
    u.h.clock.advance(749ms);
    EXPECT_EQ(u.row->phase(), InstallPhase::idle());
    u.h.clock.advance(1ms);
    EXPECT_EQ(u.row->phase(), InstallPhase::downloading(0));
    EXPECT_EQ(u.h.polls, 5); // the first look, three polls that find it, one that doesn't
    EXPECT_TRUE(u.h.settle(done));

    // Declined: back to idle, log kept.
    u.row->setPhase(InstallPhase::failed(QStringLiteral("Earlier.")));
    u.h.runningPolls[u.row->id()] = 1;
    u.h.shell.answers = {false};
    EXPECT_TRUE(u.h.settle(u.h.start(u.h.store().update(u.row))));
    EXPECT_EQ(u.row->phase(), InstallPhase::idle());
    EXPECT_EQ(u.row->installLog(), QStringList{QStringLiteral("Checked.")});
}

TEST(StoreUpdate, AppStoreReleasesOpenTheirWebPageAndUnsafeOnesDoNothing) {
    Updating store(StoreHarness::release(QStringLiteral("2.0"), SourceKind::appStore));
    EXPECT_TRUE(store.h.settle(store.h.start(store.h.store().update(store.row))));
    // The store's own scheme opens nothing on this desktop; its https page does.
    EXPECT_EQ(store.h.shell.openedUrls, QList<QUrl>{QUrl(QStringLiteral("https://apps.apple.com/app/id1"))});
    EXPECT_EQ(store.row->phase(), InstallPhase::idle());
    EXPECT_EQ(store.h.store().notice(), std::nullopt);

    // Nothing to open, or nothing that opens it: the user is told.
    store.h.shell.opens = false;
    store.h.store().openInAppStore(store.row);
    EXPECT_EQ(store.h.store().notice(),
              QStringLiteral("Quenlark couldn't open \u2068https://apps.apple.com/app/id1\u2069: no program on this "
                             "computer opened it."));
    store.h.store().setNotice(std::nullopt);
    store.h.shell.opens = true;
    Release pageless = *store.row->release();
    pageless.storeURL.reset();
    store.row->setRelease(pageless);
    store.h.store().openInAppStore(store.row);
    EXPECT_EQ(store.h.store().notice(), QStringLiteral("Quenlark couldn't open the App Store page of Alpha."));
    EXPECT_EQ(store.h.shell.openedUrls.size(), 1);

    Release unsafe = StoreHarness::release(QStringLiteral("2.0"));
    unsafe.download.reset();
    Updating refused(unsafe);
    EXPECT_TRUE(refused.h.settle(refused.h.start(refused.h.store().update(refused.row))));
    EXPECT_TRUE(refused.h.engineFolders.isEmpty());
}

TEST(StoreUpdate, ASecondUpdateWhileTheFlowWaitsNeverInstallsTwice) {
    Updating u;
    u.h.runningPolls[u.row->id()] = 3;
    u.h.shell.answers = {true, true};
    auto first = u.h.start(u.h.store().update(u.row));
    auto second = u.h.start(u.h.store().update(u.row)); // during the polling
    EXPECT_TRUE(*second);
    EXPECT_TRUE(u.h.settle(first));
    EXPECT_EQ(u.h.installed, QStringList{QStringLiteral("Alpha")});
    EXPECT_EQ(u.h.shell.questions.size(), 1);
}

TEST(StoreUpdate, APhaseReportAfterTheFlowEndedChangesNothing) {
    for (const bool fails : {false, true}) {
        Updating u;
        if (fails)
            u.h.installError = std::make_exception_ptr(UpdateError(QStringLiteral("No.")));
        EXPECT_TRUE(u.h.settle(u.h.start(u.h.store().update(u.row))));
        const InstallPhase final = u.row->phase();
        u.h.phaseCallback(InstallPhase::installing());
        QCoreApplication::processEvents();
        EXPECT_EQ(u.row->phase(), final);
        EXPECT_EQ(final.kind(), fails ? InstallPhase::Kind::failed : InstallPhase::Kind::done);
    }
}
