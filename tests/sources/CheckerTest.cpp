#include "sources/BrewIndex.h"
#include "sources/Checker.h"
#include "sources/Net.h"

#include "runtime/Blocking.h"
#include "runtime/CheckError.h"
#include "runtime/Clock.h"

#include "LoopbackServer.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

namespace {

// A catalogue with an unversioned cask that names a GitHub repository and a versioned one.
const char* catalogueJson = R"([
  {"token":"nightly","version":"latest","homepage":"https://github.com/maker/nightly",
   "artifacts":[{"app":["Nightly.app"]}]},
  {"token":"stable","version":"2.0,200","url":"https://example.com/Stable.zip","sha256":"abc",
   "artifacts":[{"app":["Stable.app"]},{"zap":[{"quit":"com.example.stable"}]}]}])";

struct Fixture {
    LoopbackServer server;
    Endpoints endpoints;
    std::shared_ptr<BrewIndex> brew;
    QStringList asked; // which sources were called, in order

    // Closing the client's connections first lets the server stop at once.
    ~Fixture() { Net::resetForTest(); }

    explicit Fixture(int catalogueStatus = 200) {
        server.serve("/api/cask.json", catalogueJson, catalogueStatus, "application/json");
        server.start();
        endpoints = Endpoints::mock(server.url("/"));
        brew = std::make_shared<BrewIndex>(endpoints.caskCatalogue(), std::nullopt);
    }

    static QCoro::Task<Release> answer(std::optional<Release> release, QString failure) {
        if (!release)
            throw CheckError(failure);
        co_return *release;
    }

    // Every source fails with its own name unless `releases` holds its answer.
    Checker checker(QHash<SourceKind, Release> releases = {}) {
        Checker::Sources sources;
        auto respond = [this, releases](SourceKind kind, QString what) {
            asked.append(what);
            return answer(releases.contains(kind) ? std::optional<Release>(releases.value(kind)) : std::nullopt,
                          what + QStringLiteral(" failed"));
        };
        sources.lookupURL = [](const InstalledApp& app, const Endpoints& urls) {
            QUrl url = urls.lookup();
            url.setQuery(QStringLiteral("bundleId=") + app.bundleID);
            return url;
        };
        sources.appStore = [respond](InstalledApp, QUrl, CancelToken) {
            return respond(SourceKind::appStore, "store");
        };
        sources.sparkle = [respond](QUrl, CancelToken) { return respond(SourceKind::sparkle, "sparkle"); };
        sources.github = [respond](QUrl url, CancelToken) {
            return respond(SourceKind::github, "github " + url.path());
        };
        sources.electron = [respond](QUrl, CancelToken) { return respond(SourceKind::electron, "electron"); };
        return Checker(endpoints, brew, sources);
    }

    QString url(const std::string& path) const { return server.url(path).toString(QUrl::FullyEncoded); }
};

InstalledApp app(const QString& name, const QString& bundleID = QStringLiteral("com.example.app")) {
    InstalledApp result;
    result.url = QStringLiteral("/Applications/") + name;
    result.name = name;
    result.bundleID = bundleID;
    return result;
}

Release release(SourceKind kind, std::optional<QString> version, std::optional<QString> build = std::nullopt) {
    Release result;
    result.kind = kind;
    result.version = std::move(version);
    result.build = std::move(build);
    return result;
}

struct Row {
    SourceKind kind;
    Attempt::Outcome::Kind outcome;
    QString text;
    std::optional<QString> url;
    std::optional<QString> found;
};

void expectAttempts(const QList<Attempt>& attempts, const std::vector<Row>& rows) {
    ASSERT_EQ(attempts.size(), static_cast<qsizetype>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        const Attempt& attempt = attempts[static_cast<qsizetype>(i)];
        EXPECT_EQ(attempt.kind, rows[i].kind) << i;
        EXPECT_EQ(attempt.outcome.kind(), rows[i].outcome) << i;
        EXPECT_EQ(attempt.outcome.text(), rows[i].text) << i;
        EXPECT_EQ(attempt.url, rows[i].url) << i;
        EXPECT_EQ(attempt.found, rows[i].found) << i;
    }
}

using O = Attempt::Outcome::Kind;

} // namespace

TEST(Checker, NothingKnownGivesFiveAttempts) {
    Fixture fixture;
    const auto result = runSync(fixture.checker().check(app("Plain.app")));
    expectAttempts(result.attempts,
                   {
                       {SourceKind::appStore, O::skipped, "No App Store receipt", {}, {}},
                       {SourceKind::sparkle, O::skipped, "No SUFeedURL in Info.plist", {}, {}},
                       {SourceKind::homebrew,
                        O::skipped,
                        "No cask installs \u2068Plain.app\u2069",
                        fixture.url("/api/cask.json"),
                        {}},
                       {SourceKind::github, O::skipped, "No GitHub repository known", {}, {}},
                       {SourceKind::electron, O::skipped, "No electron-updater config (app-update.yml)", {}, {}},
                   });
    EXPECT_FALSE(result.release);
    EXPECT_TRUE(fixture.asked.isEmpty());
}

TEST(Checker, FailuresMoveDownTheChainWithTheRealSources) {
    Fixture fixture;
    fixture.server.serve("/bad.xml", "<rss><channel><item>", 200, "application/xml");
    fixture.server.serve("/repos/maker/nightly/releases/latest", R"({"tag_name":"v3.1","html_url":"https://x/"})", 200,
                         "application/json");
    InstalledApp nightly = app("Nightly.app");
    nightly.isAppStore = true;
    nightly.feedURL = fixture.server.url("/bad.xml");
    nightly.electronFeed = QUrl("https://example.com/latest-mac.yml");
    const auto result = runSync(Checker(fixture.endpoints, fixture.brew).check(nightly));
    ASSERT_EQ(result.attempts.size(), 4);
    EXPECT_EQ(result.attempts[0].outcome, Attempt::Outcome::fail("The server answered HTTP 404"));
    EXPECT_TRUE(result.attempts[0].url->startsWith(fixture.url("/lookup?bundleId=com.example.app&country=")));
    EXPECT_TRUE(result.attempts[1].outcome.text().startsWith("The appcast isn't valid XML ("));
    expectAttempts(result.attempts.mid(2),
                   {
                       {SourceKind::homebrew,
                        O::fail,
                        "The cask is unversioned (version :latest), so it can't say what's newest",
                        fixture.url("/cask/nightly"),
                        {}},
                       {SourceKind::github, O::pass, "", fixture.url("/repos/maker/nightly/releases/latest"), "3.1"},
                   });
    EXPECT_EQ(result.release->ref, QStringLiteral("maker/nightly"));
}

TEST(Checker, TheFirstReleaseWinsAndNamesItsOrigin) {
    Fixture fixture;
    InstalledApp stable = app("Stable.app", "com.example.stable");
    stable.isAppStore = true;
    stable.feedURL = QUrl("https://example.com/feed.xml");
    stable.electronFeed = QUrl("https://example.com/latest-mac.yml");
    const auto store =
        runSync(fixture.checker({{SourceKind::appStore, release(SourceKind::appStore, "3.0")}}).check(stable));
    expectAttempts(store.attempts,
                   {{SourceKind::appStore, O::pass, "", fixture.url("/lookup?bundleId=com.example.stable"), "3.0"}});
    EXPECT_EQ(store.release->ref, std::nullopt);
    EXPECT_EQ(fixture.asked, QStringList{"store"});

    const auto feed =
        runSync(fixture.checker({{SourceKind::sparkle, release(SourceKind::sparkle, "2.1")}}).check(stable));
    EXPECT_EQ(feed.release->ref, QStringLiteral("https://example.com/feed.xml"));

    const auto cask = runSync(fixture.checker().check(stable));
    ASSERT_EQ(cask.attempts.size(), 3);
    EXPECT_EQ(cask.attempts[2].url, fixture.url("/cask/stable"));
    EXPECT_EQ(cask.attempts[2].found, QStringLiteral("2.0"));
    EXPECT_EQ(cask.release->ref, QStringLiteral("stable"));

    InstalledApp nightly = app("Nightly.app");
    nightly.electronFeed = stable.electronFeed;
    const auto last = runSync(
        fixture.checker({{SourceKind::electron, release(SourceKind::electron, std::nullopt, "77")}}).check(nightly));
    ASSERT_EQ(last.attempts.size(), 5);
    EXPECT_EQ(last.attempts[3].outcome, Attempt::Outcome::fail("github /repos/maker/nightly/releases/latest failed"));
    EXPECT_EQ(last.attempts[4].found, QStringLiteral("77"));
    EXPECT_EQ(last.release->ref, std::nullopt);
}

TEST(Checker, AnUnloadableCatalogueFailsOnlyHomebrew) {
    Fixture fixture(503);
    InstalledApp nightly = app("Nightly.app");
    nightly.electronFeed = QUrl("https://example.com/latest-mac.yml");
    const auto result =
        runSync(fixture.checker({{SourceKind::electron, release(SourceKind::electron, std::nullopt)}}).check(nightly));
    ASSERT_EQ(result.attempts.size(), 5);
    EXPECT_EQ(result.attempts[2].outcome, Attempt::Outcome::fail("The server answered HTTP 503"));
    EXPECT_EQ(result.attempts[2].url, fixture.url("/api/cask.json"));
    EXPECT_EQ(result.attempts[3].outcome, Attempt::Outcome::skipped("No GitHub repository known"));
    EXPECT_EQ(result.attempts[4].found, QStringLiteral("?"));
}

namespace {

struct Log {
    int running = 0;
    int maxRunning = 0;
    bool inCallback = false;
    bool overlapped = false;
    QStringList events;
};

QCoro::Task<Release> slowCheck(std::shared_ptr<Log> log, QString name, int milliseconds) {
    log->events.append("start " + name);
    log->maxRunning = std::max(log->maxRunning, ++log->running);
    co_await Clock::shared().sleep(std::chrono::milliseconds(milliseconds));
    --log->running;
    co_return release(SourceKind::electron, name);
}

QCoro::Task<void> slowCallback(std::shared_ptr<Log> log, QString name) {
    log->overlapped = log->overlapped || log->inCallback;
    log->inCallback = true;
    log->events.append("each " + name);
    co_await Clock::shared().sleep(std::chrono::milliseconds(2));
    log->events.append("done " + name);
    log->inCallback = false;
}

} // namespace

TEST(Checker, CheckAllBoundsAndOrdersTheChecks) {
    Fixture fixture;
    auto log = std::make_shared<Log>();
    Checker checker = fixture.checker();
    checker.sources.electron = [log](QUrl url, CancelToken) {
        const QString name = url.fileName();
        return slowCheck(log, name, 3 + (name.mid(1).toInt() * 7) % 11);
    };
    QList<InstalledApp> apps;
    for (int i = 0; i < 20; ++i) {
        InstalledApp each = app(QStringLiteral("a%1.app").arg(i));
        each.electronFeed = QUrl(QStringLiteral("https://example.com/a%1").arg(i));
        apps.append(each);
    }
    const auto results =
        runSync(checker.checkAll(apps, 8, [log](InstalledApp app, QList<Attempt>, std::optional<Release> release) {
            EXPECT_EQ(release->version, app.name.chopped(4));
            return slowCallback(log, release->version.value_or(QString()));
        }));

    ASSERT_EQ(results.size(), 20);
    EXPECT_EQ(log->maxRunning, 8);
    EXPECT_FALSE(log->overlapped);
    // The ninth check starts only after the first callback returned.
    EXPECT_GT(log->events.indexOf("start a8"), log->events.indexOf(QRegularExpression("done .*")));
    EXPECT_EQ(log->events.indexOf(QRegularExpression("each .*")), 8);
    // Results come in the order the callbacks saw them: completion order.
    QStringList callbackOrder, resultOrder;
    for (const QString& event : std::as_const(log->events)) {
        if (event.startsWith("each "))
            callbackOrder.append(event.mid(5));
    }
    for (const auto& result : results)
        resultOrder.append(*result.release->version);
    EXPECT_EQ(resultOrder, callbackOrder);
    EXPECT_EQ(fixture.server.requestCount(), 1); // one catalogue load for all twenty
    // Every queued resume was counted, so a fake clock still waits for work handed over later.
    EXPECT_EQ(Blocking::inFlight(), 0);
}

TEST(Checker, CheckAllWithNothingToDo) {
    Fixture fixture;
    Checker checker = fixture.checker();
    EXPECT_TRUE(runSync(checker.checkAll({}, 8)).isEmpty());
    for (int limit : {0, -3})
        EXPECT_TRUE(runSync(checker.checkAll({app("A.app"), app("B.app")}, limit)).isEmpty());
    EXPECT_EQ(fixture.server.requestCount(), 0);
    // A limit above the count runs them all.
    EXPECT_EQ(runSync(checker.checkAll({app("A.app"), app("B.app")}, 50)).size(), 2);
}
