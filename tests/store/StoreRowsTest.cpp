#include "StoreHarness.h"

#include "runtime/MakeShared.h"

#include <gtest/gtest.h>

TEST(StoreRows, SearchTrimsSpacesAndTabsButNotLineBreaks) {
    const std::optional<QString> none;
    struct Case {
        QString query;
        bool matches;
    };
    const QList<Case> cases{
        {QString(), true},
        {QStringLiteral("   \t "), true},
        {QStringLiteral("\u00A0fire\u2003"), true}, // other space characters
        {QStringLiteral("  FIREfox "), true},
        {QStringLiteral("homebrew"), true}, // the source's display name
        {QStringLiteral("org.mozilla"), true},
        {QStringLiteral("fire\n"), false}, // a line break stays in the query
        {QStringLiteral("\n"), false},
        {QStringLiteral("firefóx"), false}, // diacritics count
        {QStringLiteral("chrome"), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Store::matches(c.query, {QStringLiteral("Firefox"), QStringLiteral("org.mozilla.firefox"), none,
                                           QStringLiteral("Homebrew cask")}),
                  c.matches)
            << c.query.toStdString();
    EXPECT_FALSE(Store::matches(QStringLiteral("a"), {none}));
}

TEST(StoreRows, FiltersCountsShownAndInstallableFollowStatusPhaseAndSettings) {
    StoreHarness h;
    Store& s = h.build();
    struct Row {
        const char* name;
        Status status;
        InstallPhase phase;
        bool appStore;
        bool release;
        bool installable;
    };
    const QList<Row> rows{
        {"Update", Status::update(), InstallPhase::idle(), false, true, true},
        {"Failed", Status::update(), InstallPhase::failed(QStringLiteral("x")), false, true, true},
        {"Blocked", Status::update(), InstallPhase::blocked(), false, true, true},
        {"Done", Status::update(), InstallPhase::done(), false, true, true},
        {"Queued", Status::update(), InstallPhase::queued(), false, true, false},
        {"Downloading", Status::update(), InstallPhase::downloading(0.3), false, true, false},
        {"Installing", Status::update(), InstallPhase::installing(), false, true, false},
        {"NoDownload", Status::update(), InstallPhase::idle(), false, false, false},
        {"Current", Status::upToDate(), InstallPhase::idle(), false, true, false},
        {"Checking", Status::checking(), InstallPhase::idle(), false, false, false},
        {"Odd", Status::cantVerify(QStringLiteral("why")), InstallPhase::idle(), false, false, false},
        {"Skipped", Status::ignored(QStringLiteral("why")), InstallPhase::idle(), false, true, false},
        {"StoreApp", Status::update(), InstallPhase::idle(), true, true, true},
    };
    Store::Rows items;
    QStringList expected;
    for (const auto& r : rows) {
        InstalledApp app = StoreHarness::app(QString::fromLatin1(r.name));
        app.isAppStore = r.appStore;
        auto item = makeShared<AppItem>(app);
        item->setStatus(r.status);
        item->setPhase(r.phase);
        Release release = StoreHarness::release(QStringLiteral("2.0"), SourceKind::homebrew);
        if (!r.release)
            release.download.reset();
        item->setRelease(release);
        items.append(item);
        if (r.installable)
            expected.append(app.name);
    }
    s.setItems(items);
    auto names = [](const Store::Rows& list) {
        QStringList out;
        for (const auto& row : list)
            out.append(row->app().name);
        return out;
    };
    EXPECT_EQ(names(s.installable()), expected);
    EXPECT_EQ(s.count(Filter::all), 13);
    EXPECT_EQ(s.count(Filter::updates), 9);
    EXPECT_EQ(s.count(Filter::cantVerify), 1);
    EXPECT_EQ(s.count(Filter::ignored), 1);
    EXPECT_EQ(s.count(Filter::library), 0);
    EXPECT_TRUE(s.shown(Filter::library).isEmpty());

    s.setQuery(QStringLiteral(" homebrew "));
    EXPECT_EQ(s.shown(Filter::updates).size(), 9);
    EXPECT_EQ(s.count(Filter::all), 13); // counts ignore the search
    s.setQuery(QStringLiteral("checking"));
    EXPECT_EQ(names(s.shown(Filter::all)), QStringList{QStringLiteral("Checking")});

    h.prefs->setHideAppStore(true);
    EXPECT_EQ(s.count(Filter::all), 12);
    EXPECT_FALSE(names(s.installable()).contains(QStringLiteral("StoreApp")));
    h.prefs->setHideAppStore(false);
    EXPECT_TRUE(names(s.installable()).contains(QStringLiteral("StoreApp")));
}

TEST(StoreRows, LibraryRowsThisMacLacksAreInstallableUntilRoutedElsewhere) {
    StoreHarness h;
    Store& s = h.build();
    struct Case {
        const char* name;
        std::optional<bool> installedHere;
        InstallPhase phase;
        std::optional<Route> route;
        bool installable;
    };
    const QList<Case> cases{
        {"elsewhere only", std::nullopt, InstallPhase::idle(), std::nullopt, true},
        {"removed here", false, InstallPhase::failed(QStringLiteral("x")), std::nullopt, true},
        {"here", true, InstallPhase::idle(), std::nullopt, false},
        {"restoring", std::nullopt, InstallPhase::downloading(0.1), std::nullopt, false},
        {"restored", std::nullopt, InstallPhase::done(), std::nullopt, false},
        {"install route", std::nullopt, InstallPhase::blocked(), Route::install({}), true},
        {"store route", std::nullopt, InstallPhase::idle(), Route::store(QUrl(QStringLiteral("macappstore://x"))),
         false},
        {"manual route", std::nullopt, InstallPhase::idle(), Route::manual(QUrl(), QStringLiteral("r")), false},
    };
    Store::LibraryRows items;
    QStringList expected;
    for (const auto& c : cases) {
        LibraryApp app;
        app.id = app.name = QString::fromLatin1(c.name);
        app.devices.insert(QStringLiteral("dother"), {QStringLiteral("1.0"), true, {}});
        if (c.installedHere)
            app.devices.insert(h.deviceID, {QStringLiteral("1.0"), *c.installedHere, {}});
        auto item = makeShared<LibraryItem>(app);
        item->setPhase(c.phase);
        item->setRoute(c.route);
        items.append(item);
        if (c.installable)
            expected.append(app.id);
    }
    QStringList got;
    for (const auto& item : s.installable(items))
        got.append(item->id());
    EXPECT_EQ(got, expected);
}

TEST(StoreRows, IgnoringAndSkippingFollowTheBundleIdAndUnignoringRechecks) {
    StoreHarness h;
    InstalledApp user =
        StoreHarness::app(QStringLiteral("Alpha"), QStringLiteral("1.0"), QStringLiteral("/home/u/Applications"));
    h.apps = {StoreHarness::app(QStringLiteral("Alpha")), user, StoreHarness::app(QStringLiteral("Beta"))};
    Release noVersion = StoreHarness::release(QStringLiteral("2.0"));
    noVersion.version.reset();
    h.offer(h.apps[0], StoreHarness::release(QStringLiteral("2.0")));
    h.offer(user, StoreHarness::release(QStringLiteral("2.0")));
    h.offer(h.apps[2], noVersion);
    Store& s = h.build();
    EXPECT_TRUE(h.settle(h.start(s.refresh())));
    const auto first = s.items()[0];
    const auto second = s.items()[1];
    const auto beta = s.items()[2];

    s.ignoreVersion(beta);
    EXPECT_EQ(h.prefs->ignoredVersions().value(beta->app().bundleID), QStringLiteral("?"));
    // The status rules can't compare a release without version or build, so it stays unverified.
    EXPECT_EQ(beta->status().kind(), Status::Kind::cantVerify);

    s.ignoreVersion(first);
    EXPECT_EQ(first->status(), Status::ignored(QStringLiteral("You're skipping version \u20682.0\u2069")));
    EXPECT_EQ(second->status(), Status::update()); // until its status is next worked out
    s.ignore(first);
    s.ignore(first);
    EXPECT_EQ(h.prefs->ignoredApps(), QStringList{first->app().bundleID});
    EXPECT_EQ(first->status(), Status::ignored(QStringLiteral("You're ignoring this app")));

    // A later offer of another version is offered again once the ignore is gone.
    h.prefs->setIgnoredApps({});
    h.offer(h.apps[0], StoreHarness::release(QStringLiteral("2.1")));
    EXPECT_TRUE(h.settle(h.start(s.check(first))));
    EXPECT_EQ(first->status(), Status::update());

    // Unignoring restatuses rows that were checked and checks those that never were.
    h.prefs->setIgnoredApps({first->app().bundleID});
    s.ignoreVersion(second);
    const int checks = h.checks;
    second->setAttempts({});
    s.unignore(first->app().bundleID);
    EXPECT_TRUE(h.prefs->ignoredApps().isEmpty());
    EXPECT_FALSE(h.prefs->ignoredVersions().contains(first->app().bundleID));
    EXPECT_EQ(first->status(), Status::update());
    EXPECT_FALSE(second->checking()); // its check starts after the call returned
    QCoreApplication::processEvents();
    EXPECT_TRUE(second->checking());
    h.clock.advance(std::chrono::milliseconds(1));
    EXPECT_EQ(h.checks, checks + 1);
    EXPECT_EQ(second->status(), Status::update());
}
