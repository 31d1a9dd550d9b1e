#include "StoreHarness.h"

#include "runtime/Blocking.h"
#include "runtime/MakeShared.h"
#include "runtime/UpdateError.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

#include <thread>

using namespace std::chrono_literals;

namespace {

const QString declined = QStringLiteral("You chose not to run \u2068Pkg\u2069's installer. Nothing was installed.");

struct Seen {
    QList<bool> answers;                // what the consent function returned to the installer
    std::optional<InstallPhase> during; // Good's phase while its install still ran
    std::shared_ptr<LibraryItem> good;
    UpdateEngine::Phase late; // Good's, for a report that comes after its outcome
};

// Reports from a thread of its own, as the installer's download and checks do.
void reportFromThread(const UpdateEngine::Phase& phase, QList<InstallPhase> phases) {
    std::thread worker([&phase, phases] {
        for (const InstallPhase& p : phases)
            phase(p);
    });
    worker.join();
}

QCoro::Task<Updater::Fresh> install(StoreHarness* h, Seen* seen, Updater::Recorded app, Updater::Consent consent,
                                    UpdateEngine::Phase phase) {
    h->installed.append(app.name);
    if (app.name == QLatin1String("Fails"))
        throw UpdateError(QStringLiteral("Every candidate failed."));
    if (app.name == QLatin1String("Blocked"))
        throw UpdateError(QStringLiteral("Not allowed."), {.needsPermission = true});
    if (app.name == QLatin1String("Pkg")) {
        auto asking = consent(PackageConsent{app.name, QStringLiteral("Developer ID Installer: Alpha"),
                                             QStringLiteral("AAAAAAAAAA"), true, true, true});
        const bool yes = co_await std::move(asking);
        seen->answers.append(yes);
        if (!yes)
            throw UpdateError(declined, {.final = true});
        co_return Updater::Fresh{QStringLiteral("/Applications/Pkg.app"), QStringLiteral("AAAAAAAAAA"), std::nullopt};
    }
    if (app.name == QLatin1String("Leaving")) // the user signs out while it installs
        h->store().signOut();
    reportFromThread(phase, {InstallPhase::downloading(0), InstallPhase::downloading(0.5), InstallPhase::verifying(),
                             InstallPhase::installing()});
    // One hop through the event loop, behind the reports the thread posted.
    auto hop = [] { return 0; };
    co_await Blocking::run(hop);
    seen->during = seen->good->phase();
    seen->late = phase;
    co_return Updater::Fresh{QStringLiteral("/x/Good.app"), QStringLiteral("AAAAAAAAAA"), QStringLiteral("A note.")};
}

std::shared_ptr<LibraryItem> entry(const QString& name, std::function<void(LibraryApp&)> arrange = {}) {
    LibraryApp app;
    app.id = QStringLiteral("com.example.") + name.toLower();
    app.name = name;
    if (arrange)
        arrange(app);
    auto item = makeShared<LibraryItem>(app);
    item->setSelected(true);
    item->setNote(QStringLiteral("earlier"));
    return item;
}

} // namespace

TEST(StoreRestore, InstallsEachRouteInTurnAndLeavesTheRestToTheUser) {
    StoreHarness h;
    Seen seen;
    const QString sandbox = QDir(h.dir.path()).filePath("sandbox/Applications");
    QDir().mkpath(sandbox);
    h.options.sandbox = sandbox;
    h.restoreInstall = [&h, &seen](Updater::Recorded app, QList<Release>, Updater::Consent consent,
                                   UpdateEngine::Phase phase) {
        return install(&h, &seen, std::move(app), std::move(consent), std::move(phase));
    };
    const auto feed = [&h](const QString& name) {
        return [&h, name](LibraryApp& app) {
            app.feedURL = "https://feeds.example/" + name + ".xml";
            h.releases.insert(*app.feedURL, StoreHarness::release("2.0"));
        };
    };
    const Store::LibraryRows items{
        entry("Shop", [](LibraryApp& a) { a.storeURL = "macappstore://apps.apple.com/app/id1"; }),
        entry("Hand"),
        entry("Fails", feed("Fails")),
        entry("Pkg", feed("Pkg")),
        entry("Blocked", feed("Blocked")),
        entry("Good", feed("Good")),
    };
    seen.good = items.last();
    Store& s = h.build();

    auto done = h.start(s.restore(items));
    EXPECT_TRUE(s.restoring());
    EXPECT_TRUE(h.settle(h.start(s.restore(items)))); // a second run returns at once
    // Routes ask the cask catalogue at a closed port: refused, but in real time.
    QDeadlineTimer deadline(30s);
    while (!s.packageConsent() && !deadline.hasExpired()) {
        h.clock.advance(10ms);
        QThread::msleep(1);
    }
    ASSERT_TRUE(s.packageConsent());
    EXPECT_EQ(items[5]->phase(), InstallPhase::queued()); // the run waits on the question
    // Answered twice in one turn: a double click. Only the first answer counts.
    const auto again = s.packageConsent()->answer;
    s.packageConsent()->answer(false); // through the published closure, as the sheet calls it
    again(true);
    EXPECT_FALSE(s.packageConsent());
    EXPECT_TRUE(h.settle(done));

    EXPECT_FALSE(s.restoring());
    EXPECT_EQ(seen.answers, QList<bool>{false});
    EXPECT_EQ(h.installed, (QStringList{"Fails", "Pkg", "Blocked", "Good"}));
    EXPECT_EQ(h.engineFolders, QStringList(4, sandbox));
    EXPECT_EQ(h.engineTrash, QDir(h.dir.path()).filePath("sandbox/Trash"));
    struct Expected {
        InstallPhase phase;
        std::optional<QString> note, team;
        Route::Kind route;
    };
    const QList<Expected> expected{
        {InstallPhase::idle(), std::nullopt, std::nullopt, Route::Kind::store},
        {InstallPhase::idle(), std::nullopt, std::nullopt, Route::Kind::manual},
        {InstallPhase::failed("Every candidate failed."), "Every candidate failed.", std::nullopt,
         Route::Kind::install},
        {InstallPhase::failed(declined), declined, std::nullopt, Route::Kind::install},
        {InstallPhase::blocked(), "Not allowed.", std::nullopt, Route::Kind::install},
        {InstallPhase::done(), "A note.", "AAAAAAAAAA", Route::Kind::install},
    };
    for (qsizetype i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(items[i]->app().name.toStdString());
        EXPECT_EQ(items[i]->phase(), expected[i].phase) << int(items[i]->phase().kind());
        EXPECT_EQ(items[i]->note(), expected[i].note);
        EXPECT_EQ(items[i]->team(), expected[i].team);
        ASSERT_TRUE(items[i]->route());
        EXPECT_EQ(items[i]->route()->kind(), expected[i].route);
        EXPECT_FALSE(items[i]->selected());
    }
    // The thread's reports reached the row in their order; one that comes after the outcome is
    // dropped.
    EXPECT_EQ(seen.during, InstallPhase::installing());
    reportFromThread(seen.late, {InstallPhase::downloading(0.9)});
    h.clock.advance(10ms);
    EXPECT_EQ(items[5]->phase(), InstallPhase::done());
    EXPECT_EQ(s.notice(), "2 apps need installing from the App Store or its website. See Get It Yourself.");
    EXPECT_EQ(h.scannedFolders, QStringList{sandbox}); // the check at the end

    // A sign-out while an app installs: that one finishes, the rest of the account's list is not
    // installed, and the notice says why.
    const Store::LibraryRows more{entry("Leaving", feed("Leaving")), entry("Second", feed("Second")),
                                  entry("Third", feed("Third"))};
    done = h.start(s.restore(more));
    for (QDeadlineTimer deadline(30s); !*done && !deadline.hasExpired(); QThread::msleep(1))
        h.clock.advance(10ms);
    ASSERT_TRUE(*done);
    EXPECT_EQ(h.installed.mid(4), QStringList{"Leaving"});
    EXPECT_EQ((QList<InstallPhase>{more[0]->phase(), more[1]->phase(), more[2]->phase()}),
              (QList<InstallPhase>{InstallPhase::done(), InstallPhase::idle(), InstallPhase::idle()}));
    EXPECT_EQ(s.notice(),
              "The restore stopped because you signed out; the apps it hadn't reached yet weren't installed.");
}

TEST(StoreRestore, FallsBackToTheOwnFolderOrStopsWithoutOne) {
    StoreHarness h;
    const QString sandbox = QDir(h.dir.path()).filePath("sandbox/Applications"); // not there: not writable
    h.options.sandbox = sandbox;
    Store& s = h.build();
    const auto shop = entry("Shop", [](LibraryApp& a) { a.storeURL = "https://apps.apple.com/app/id1"; });
    EXPECT_TRUE(h.settle(h.start(s.restore({shop}))));
    const QString own = QDir(h.dir.path()).filePath("sandbox/HomeApplications");
    EXPECT_TRUE(QFileInfo(own).isDir());
    EXPECT_EQ(shop->phase(), InstallPhase::idle());
    EXPECT_EQ(s.notice(), "1 app needs installing from the App Store or its website. See Get It Yourself.");

    // A file where the own folder would go: nothing is touched.
    QDir(own).removeRecursively();
    QFile blocker(own);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const auto other = entry("Other");
    EXPECT_TRUE(h.settle(h.start(s.restore({other}))));
    EXPECT_TRUE(s.notice()->startsWith("Couldn't prepare a folder to install into: ")) << s.notice()->toStdString();
    EXPECT_EQ(other->phase(), InstallPhase::idle());
    EXPECT_EQ(other->note(), "earlier");
    EXPECT_FALSE(other->route());
    EXPECT_FALSE(s.restoring());

    EXPECT_TRUE(h.settle(h.start(s.restore({})))); // an empty list changes nothing
}
