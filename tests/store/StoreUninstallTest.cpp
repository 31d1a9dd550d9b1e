#include "StoreHarness.h"
#include "app/LiveCollaborators.h"

#include "BundleBuilder.h"
#include "RunSync.h"

#include "model/Scanner.h"

#include "runtime/MakeShared.h"
#include "runtime/UpdateError.h"
#include "store/LiveUpdateEngine.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

struct Removal {
    StoreHarness h;
    std::shared_ptr<AppItem> row;

    Removal() {
        h.apps = {StoreHarness::app(QStringLiteral("Alpha")), StoreHarness::app(QStringLiteral("Beta"))};
        h.build();
        EXPECT_TRUE(h.settle(h.start(h.store().refresh())));
        row = h.row(QStringLiteral("Alpha"));
        h.store().setSelection(row->id());
        h.store().setExpanded(row->id());
    }
    QList<Leftover> data(int count) {
        QList<Leftover> list;
        for (int i = 0; i < count; ++i)
            list.append(Leftover{QStringLiteral("/Users/u/Library/Caches/a%1").arg(i), std::nullopt, false});
        return list;
    }
};

} // namespace

TEST(StoreUninstall, TheNoticeCountsTheDataItemsAndSaysWhereTheyWent) {
    struct Case {
        int data;
        bool permanently;
        const char* notice;
    };
    for (const Case& c : {Case{0, false, "\u2068Alpha\u2069 moved to the Trash."},
                          Case{1, false, "\u2068Alpha\u2069 and 1 data item moved to the Trash."},
                          Case{3, true, "\u2068Alpha\u2069 and 3 data items deleted permanently."}}) {
        Removal r;
        EXPECT_TRUE(r.h.settle(r.h.start(r.h.store().uninstall(r.row, r.data(c.data), c.permanently))));
        EXPECT_EQ(r.h.store().notice(), QString::fromUtf8(c.notice));
        EXPECT_EQ(r.h.uninstalledData.size(), c.data);
        EXPECT_EQ(r.h.row(QStringLiteral("Alpha")), nullptr);
        EXPECT_EQ(r.h.store().items().size(), 1);
        EXPECT_FALSE(r.h.store().selection() || r.h.store().expanded());
    }
}

TEST(StoreUninstall, ARunningAppIsQuitFirstOrLeftAloneWhenDeclined) {
    Removal declined;
    declined.h.runningPolls[declined.row->id()] = 1;
    EXPECT_TRUE(declined.h.settle(declined.h.start(declined.h.store().uninstall(declined.row, {}, false))));
    ASSERT_EQ(declined.h.shell.questions.size(), 1);
    EXPECT_EQ(declined.h.shell.questions[0].title, QStringLiteral("Quit \u2068Alpha\u2069 first?"));
    EXPECT_EQ(declined.h.shell.questions[0].message,
              QStringLiteral("\u2068Alpha\u2069 is open. Quenlark will quit it, then move it to the Trash."));
    EXPECT_EQ(declined.h.shell.questions[0].confirm, QStringLiteral("Quit and Continue"));
    EXPECT_TRUE(declined.h.engineFolders.isEmpty());
    EXPECT_TRUE(declined.h.terminated.isEmpty());
    EXPECT_EQ(declined.h.store().items().size(), 2);

    Removal stubborn;
    stubborn.h.runningPolls[stubborn.row->id()] = 1000;
    stubborn.h.shell.answers = {true};
    auto done = stubborn.h.start(stubborn.h.store().uninstall(stubborn.row, {}, false));
    stubborn.h.clock.advanceSeconds(59 * 0.25 - 0.01);
    EXPECT_FALSE(*done);
    stubborn.h.clock.advanceSeconds(0.02);
    EXPECT_TRUE(*done); // 60 checks, 59 pauses, then the removal's own guard decides
    EXPECT_EQ(stubborn.h.polls, 1 + 60);
}

// A bundle's name can not turn our sentences around it, break them or run past their end.
TEST(StoreUninstall, AHostileNameSitsIsolatedAndCleanInThePromptAndTheNotice) {
    StoreHarness h;
    const QString hostile = QStringLiteral("Invoice\u202Efdp.app\u2069\nline");
    const QString shown = QStringLiteral("\u2068Invoicefdp.app line\u2069");
    h.apps = {StoreHarness::app(hostile)};
    h.build();
    EXPECT_TRUE(h.settle(h.start(h.store().refresh())));
    const auto row = h.row(hostile);
    ASSERT_NE(row, nullptr);
    h.runningPolls[row->id()] = 1;
    h.shell.answers = {true};
    EXPECT_TRUE(h.settle(h.start(h.store().uninstall(row, {}, false))));
    ASSERT_EQ(h.shell.questions.size(), 1);
    EXPECT_EQ(h.shell.questions[0].title, QStringLiteral("Quit ") + shown + QStringLiteral(" first?"));
    EXPECT_EQ(h.store().notice(), shown + QStringLiteral(" moved to the Trash."));
}

TEST(StoreUninstall, AFailureIsAlertedAndTheRowGoesOnlyWhenTheBundleIsGone) {
    Removal r;
    r.h.uninstallError = std::make_exception_ptr(UpdateError(QStringLiteral("Allow it."), {.needsPermission = true}));
    EXPECT_TRUE(r.h.settle(r.h.start(r.h.store().uninstall(r.row, {}, false))));
    ASSERT_EQ(r.h.shell.alerts.size(), 1);
    EXPECT_EQ(r.h.shell.alerts[0].first, QStringLiteral("Couldn't remove \u2068Alpha\u2069"));
    EXPECT_EQ(r.h.shell.alerts[0].second,
              QStringLiteral("Allow it. Anything already moved is in the Trash and can be put back from there."));
    EXPECT_EQ(r.h.store().appManagement(), Permissions::State::denied);
    EXPECT_EQ(r.h.store().items().size(), 1); // nothing is left at the fake's path
    EXPECT_TRUE(r.h.store().notice() == std::nullopt);

    Removal kept;
    const QString folder = kept.h.dir.filePath(QStringLiteral("Applications"));
    InstalledApp onDisk = StoreHarness::app(QStringLiteral("Gamma"), QStringLiteral("1.0"), folder);
    QDir().mkpath(onDisk.url);
    const auto row = makeShared<AppItem>(onDisk);
    kept.h.store().setItems({row});
    kept.h.uninstallError = std::make_exception_ptr(UpdateError(QStringLiteral("No.")));
    EXPECT_TRUE(kept.h.settle(kept.h.start(kept.h.store().uninstall(row, {}, true))));
    EXPECT_EQ(kept.h.shell.alerts[0].second, QStringLiteral("No."));
    EXPECT_EQ(kept.h.store().items().size(), 1);
}

TEST(StoreUninstall, IsRefusedAndSaidSoWhileTheRowsUpdateRunsOrWaitsInTheQueue) {
    for (const bool queued : {false, true}) {
        Removal r;
        r.h.offer(r.h.apps[0], StoreHarness::release(QStringLiteral("2.0")));
        EXPECT_TRUE(r.h.settle(r.h.start(r.h.store().check(r.row))));
        std::shared_ptr<bool> updating;
        if (queued)
            r.row->setPhase(InstallPhase::queued()); // as Update All leaves a row behind the one it installs
        else
            updating = r.h.start(r.h.store().update(r.row));
        EXPECT_TRUE(r.h.settle(r.h.start(r.h.store().uninstall(r.row, {}, false))));
        ASSERT_EQ(r.h.shell.alerts.size(), 1) << queued;
        EXPECT_EQ(r.h.shell.alerts[0].first, QStringLiteral("Couldn't remove \u2068Alpha\u2069"));
        EXPECT_EQ(r.h.shell.alerts[0].second,
                  QStringLiteral("\u2068Alpha\u2069 is being updated. Nothing was removed."));
        EXPECT_TRUE(r.h.uninstalledData.isEmpty() && r.h.store().notice() == std::nullopt);
        EXPECT_NE(r.h.row(QStringLiteral("Alpha")), nullptr);
        if (updating) {
            EXPECT_TRUE(r.h.settle(updating));
            EXPECT_EQ(r.h.installed, QStringList{QStringLiteral("Alpha")});
        }
    }
}

// The real engine on real folders: the bundle and its leftovers reach the sandbox's Trash. The
// sandbox is the store's options' alone (this process was launched without one), so the launch
// agent among the leftovers is not booted out.
TEST(StoreUninstall, TheRealEngineMovesTheBundleAndItsDataToTheTrashOffTheGuiThread) {
    StoreHarness h;
    const QString root = h.dir.filePath(QStringLiteral("demo"));
    const QString applications = root + QStringLiteral("/Applications");
    QDir().mkpath(applications);
    QDir().mkpath(root + QStringLiteral("/Trash"));
    QDir().mkpath(root + QStringLiteral("/Library/Caches/com.example.alpha"));
    QDir().mkpath(root + QStringLiteral("/Library/LaunchAgents"));
    QFile cache(root + QStringLiteral("/Library/Caches/com.example.alpha/data"));
    ASSERT_TRUE(cache.open(QIODevice::WriteOnly));
    cache.close();
    const QString agent = root + QStringLiteral("/Library/LaunchAgents/com.example.alpha.helper.plist");
    QFile agentFile(agent);
    ASSERT_TRUE(agentFile.open(QIODevice::WriteOnly));
    agentFile.close();
    const QString bootouts =
        qEnvironmentVariable("XDG_STATE_HOME") + QStringLiteral("/com.quenlark.Quenlark/launchctl.log");
    QFile::remove(bootouts);
    BundleBuilder(applications + QStringLiteral("/Alpha.app")).identifier(QStringLiteral("com.example.alpha")).build();
    h.options.sandbox = applications;
    // The real engine for this one store: rebuild with it in place of the fake.
    Store::Collaborators c = LiveCollaborators::make();
    c.shell = &h.shell;
    c.clock = &h.clock;
    c.prefs = h.prefs.get();
    c.options = h.options;
    Store real(std::move(c));
    const std::optional<InstalledApp> read = Scanner::read(applications + QStringLiteral("/Alpha.app"), applications);
    ASSERT_TRUE(read);
    real.setItems({makeShared<AppItem>(*read)});
    const Leftover leftover{root + QStringLiteral("/Library/Caches/com.example.alpha"), std::nullopt, false};
    auto done = h.start(real.uninstall(real.items().first(), {leftover, Leftover{agent, std::nullopt, false}}, false));
    EXPECT_TRUE(waitUntil([&done] { return *done; }));
    EXPECT_EQ(real.notice(), QStringLiteral("\u2068Alpha\u2069 and 2 data items moved to the Trash."));
    EXPECT_FALSE(QFileInfo::exists(applications + QStringLiteral("/Alpha.app")));
    EXPECT_TRUE(QFileInfo::exists(root + QStringLiteral("/Trash/Alpha.app")));
    EXPECT_FALSE(QFileInfo::exists(leftover.url));
    EXPECT_TRUE(QFileInfo::exists(root + QStringLiteral("/Trash/com.example.alpha.helper.plist")));
    EXPECT_FALSE(QFileInfo::exists(bootouts));
    EXPECT_TRUE(real.items().isEmpty());
}
