#include "store/Restore.h"

#include "runtime/CheckError.h"
#include "runtime/FileError.h"
#include "sources/BrewIndex.h"
#include "sources/Net.h"

#include "LoopbackServer.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <functional>

namespace {

// Casks by token and by file name, an unversioned package cask that names its repository, and
// a cask that lost its download but still names its repository.
const char* catalogueJson = R"json([
  {"token":"tok","version":"1.2,345","url":"https://dl.example/Tok.zip","sha256":"no_check",
   "homepage":"https://tok.example/","artifacts":[{"app":["Tok.app"]}]},
  {"token":"tok-alt","version":",,9.0","url":"https://dl.example/TokAlt.zip","sha256":"ab12",
   "homepage":"javascript:alert(1)","artifacts":[{"app":["Tok Alt.app"]}]},
  {"token":"nightly","version":"latest","url":"https://dl.example/Nightly.zip",
   "homepage":"https://github.com/maker/nightly","artifacts":[{"pkg":["Nightly.pkg"]},{"app":["Nightly.app"]}]},
  {"token":"nourl","version":"1","homepage":"https://github.com/maker/nourl","artifacts":[{"app":["NoUrl.app"]}]}
])json";

Release withDownload(SourceKind kind, const QString& url) {
    Release release;
    release.kind = kind;
    release.version = QStringLiteral("3.0");
    release.download = Download{};
    release.download->url = QUrl(url);
    return release;
}

Release noDownload(SourceKind kind) {
    Release release;
    release.kind = kind;
    return release;
}

struct Answers {
    std::optional<Release> sparkle; // none: the source fails
    std::optional<Release> github;
};

struct Fixture {
    LoopbackServer server;
    Endpoints endpoints;
    std::shared_ptr<BrewIndex> brew;
    QStringList asked;

    ~Fixture() { Net::resetForTest(); }

    Fixture() {
        server.serve("/api/cask.json", catalogueJson, 200, "application/json");
        server.start();
        endpoints = Endpoints::mock(server.url("/"));
        brew = std::make_shared<BrewIndex>(endpoints.caskCatalogue(), std::nullopt);
    }

    static QCoro::Task<Release> answer(std::optional<Release> release) {
        if (!release)
            throw CheckError(QStringLiteral("unreachable"));
        co_return *release;
    }

    Checker checker(const Answers& answers) {
        Checker::Sources sources;
        sources.sparkle = [this, answers](QUrl url, CancelToken) {
            asked << QStringLiteral("sparkle ") + url.toString();
            return answer(answers.sparkle);
        };
        sources.github = [this, answers](QUrl url, CancelToken) {
            asked << QStringLiteral("github ") + url.path();
            return answer(answers.github);
        };
        return Checker(endpoints, brew, sources);
    }
};

// One line per candidate, or the page (and reason) of a route the user follows.
QStringList lines(const Route& route) {
    switch (route.kind()) {
    case Route::Kind::store:
        return {QStringLiteral("store ") + route.url().toString()};
    case Route::Kind::manual:
        return {QStringLiteral("manual ") + route.url().toString(QUrl::FullyEncoded), route.reason()};
    case Route::Kind::install:
        break;
    }
    QStringList out;
    for (const Release& release : route.releases()) {
        const Download& download = *release.download;
        out << QStringLiteral("%1 ref=%2 version=%3 url=%4 sha=%5 pkg=%6 notes=%7")
                   .arg(SourceKinds::rawValue(release.kind), release.ref.value_or("-"), release.version.value_or("-"),
                        download.url.toString(), download.sha256.value_or("-"), download.package.value_or("-"),
                        release.notesURL ? release.notesURL->toString() : QStringLiteral("-"));
    }
    return out;
}

struct RouteCase {
    const char* what;
    std::function<void(LibraryApp&)> arrange;
    Answers answers;
    QStringList route;
    QStringList asked;
    bool catalogueAsked = true;
};

void PrintTo(const RouteCase& c, std::ostream* out) { *out << c.what; }

class Routes : public ::testing::TestWithParam<RouteCase> {};

const QString genericReason =
    QStringLiteral("Quenlark found no download for it: no Homebrew cask, Sparkle feed or GitHub release.");
const QString tokHomebrew = QStringLiteral(
    "Homebrew cask ref=tok version=1.2 url=https://dl.example/Tok.zip sha=- pkg=- notes=https://tok.example/");

} // namespace

TEST_P(Routes, FollowTheSourcesInOrder) {
    const RouteCase& c = GetParam();
    Fixture fixture;
    LibraryApp app;
    app.id = QStringLiteral("com.example.app");
    app.name = QStringLiteral("Example");
    c.arrange(app);

    const Route route = runSync(Restore::route(app, fixture.checker(c.answers)));

    EXPECT_EQ(lines(route), c.route);
    EXPECT_EQ(fixture.asked, c.asked);
    EXPECT_EQ(fixture.server.requestCount() > 0, c.catalogueAsked);
}

INSTANTIATE_TEST_SUITE_P(
    Restore, Routes,
    ::testing::ValuesIn(QList<RouteCase>{
        {"an App Store link wins; nothing else is asked",
         [](LibraryApp& a) {
             a.storeURL = "macappstore://apps.apple.com/app/id1";
             a.caskToken = "tok";
             a.feedURL = "https://x.example/a.xml";
         },
         {},
         {"store macappstore://apps.apple.com/app/id1"},
         {},
         false},
        {"a store link of another scheme is ignored",
         [](LibraryApp& a) {
             a.storeURL = "file:///x";
             a.caskToken = "tok";
         },
         {},
         {tokHomebrew},
         {}},
        {"a web page off the store's hosts is ignored",
         [](LibraryApp& a) {
             a.storeURL = "https://apps.example/app/id1";
             a.caskToken = "tok";
         },
         {},
         {tokHomebrew},
         {}},
        {"the token cask found again by name gives one candidate",
         [](LibraryApp& a) {
             a.caskToken = "tok";
             a.name = "Tok";
         },
         {},
         {tokHomebrew},
         {}},
        {"the token cask, then the cask by file name",
         [](LibraryApp& a) {
             a.caskToken = "tok";
             a.name = "Tok Alt";
         },
         {},
         {tokHomebrew,
          "Homebrew cask ref=tok-alt version=9.0 url=https://dl.example/TokAlt.zip sha=ab12 pkg=- notes=-"},
         {}},
        {"an unversioned package cask, then the repository it names",
         [](LibraryApp& a) { a.caskToken = "nightly"; },
         {},
         {"Homebrew cask ref=nightly version=latest url=https://dl.example/Nightly.zip sha=- pkg=Nightly.pkg "
          "notes=https://github.com/maker/nightly"},
         {"github /repos/maker/nightly/releases/latest"}},
        {"Homebrew, Sparkle and GitHub in that order",
         [](LibraryApp& a) {
             a.caskToken = "tok";
             a.feedURL = "https://x.example/a b.xml";
             a.githubRepo = "o/r";
         },
         {withDownload(SourceKind::sparkle, "https://x.example/S.zip"),
          withDownload(SourceKind::github, "https://x.example/G.zip")},
         {tokHomebrew,
          "Sparkle ref=https://x.example/a%20b.xml version=3.0 url=https://x.example/S.zip sha=- pkg=- notes=-",
          "GitHub Releases ref=o/r version=3.0 url=https://x.example/G.zip sha=- pkg=- notes=-"},
         {"sparkle https://x.example/a b.xml", "github /repos/o/r/releases/latest"}},
        {"an appcast item without a download adds nothing; GitHub still runs",
         [](LibraryApp& a) {
             a.feedURL = "https://x.example/a.xml";
             a.githubRepo = "o/r";
         },
         {noDownload(SourceKind::sparkle), withDownload(SourceKind::github, "https://x.example/G.zip")},
         {"GitHub Releases ref=o/r version=3.0 url=https://x.example/G.zip sha=- pkg=- notes=-"},
         {"sparkle https://x.example/a.xml", "github /repos/o/r/releases/latest"}},
        {"a feed that isn't on the web is never read",
         [](LibraryApp& a) { a.feedURL = "file:///etc/passwd"; },
         {},
         {"manual https://www.google.com/search?q=Example%20mac%20download", genericReason},
         {}},
        {"a repository that isn't owner/name is never asked",
         [](LibraryApp& a) { a.githubRepo = "o/../../user"; },
         {},
         {"manual https://github.com/o/../../user", genericReason},
         {}},
        {"neither repository nor cask: no GitHub request",
         [](LibraryApp&) {},
         {},
         {"manual https://www.google.com/search?q=Example%20mac%20download", genericReason},
         {}},
        {"a self-updating app whose cask is gone gets the Electron reason",
         [](LibraryApp& a) {
             a.source = "Electron";
             a.caskToken = "gone";
         },
         {},
         {"manual https://www.google.com/search?q=Example%20mac%20download",
          "It updates itself, but there's no download Quenlark can verify."},
         {}},
        {"a cask without a download stays for its page and its repository",
         [](LibraryApp& a) { a.caskToken = "nourl"; },
         {},
         {"manual https://github.com/maker/nourl", "Its Homebrew cask (\u2068nourl\u2069) isn't available any more, "
                                                   "and there's no other download Quenlark can verify."},
         {"github /repos/maker/nourl/releases/latest"}},
    }));

TEST(RestoreWebsite, FirstMatchWins) {
    const auto homebrew = [](std::optional<QUrl> notes) {
        Release release;
        release.kind = SourceKind::homebrew;
        release.notesURL = std::move(notes);
        return release;
    };
    Cask cask;
    cask.homepage = QStringLiteral("https://cask.example/");
    struct Case {
        const char* what;
        std::function<void(LibraryApp&)> arrange;
        std::optional<Cask> cask;
        std::optional<Release> release;
        QString page;
    };
    const QList<Case> cases{
        {"the record's homepage",
         [](LibraryApp& a) {
             a.homepage = "https://home.example/";
             a.githubRepo = "o/r";
         },
         cask, homebrew(QUrl("https://notes.example/")), "https://home.example/"},
        {"a homepage that isn't a web page passes to the cask's", [](LibraryApp& a) { a.homepage = "ftp://x/"; }, cask,
         std::nullopt, "https://cask.example/"},
        {"a Homebrew release's notes", [](LibraryApp& a) { a.githubRepo = "o/r"; }, std::nullopt,
         homebrew(QUrl("https://notes.example/")), "https://notes.example/"},
        {"the repository's page", [](LibraryApp& a) { a.githubRepo = "o/r"; }, Cask{},
         withDownload(SourceKind::sparkle, "https://x/"), "https://github.com/o/r"},
        {"a web search, every separator of the query encoded", [](LibraryApp& a) { a.name = "Cut & Paste+ =1"; },
         std::nullopt, std::nullopt, "https://www.google.com/search?q=Cut%20%26%20Paste%2B%20%3D1%20mac%20download"},
    };
    for (const Case& c : cases) {
        LibraryApp app;
        app.name = QStringLiteral("Example");
        c.arrange(app);
        EXPECT_EQ(Restore::website(app, c.cask, c.release).toString(QUrl::FullyEncoded), c.page) << c.what;
    }
}

TEST(RestoreFolder, PrimaryWhenWritableElseTheFallbackCreated) {
    QTemporaryDir dir;
    const QString root = dir.path();
    QDir().mkpath(root + "/Applications");
    QDir().mkpath(root + "/Existing");

    const Restore::Folder writable = Restore::folder(root + "/Applications", root + "/Missing");
    EXPECT_EQ(writable.path, root + "/Applications");
    EXPECT_FALSE(writable.fellBack);
    EXPECT_FALSE(QFileInfo::exists(root + "/Missing"));

    const Restore::Folder existing = Restore::folder(root + "/NoSuch", root + "/Existing");
    EXPECT_EQ(existing.path, root + "/Existing");
    EXPECT_TRUE(existing.fellBack);
    EXPECT_FALSE(QFileInfo::exists(root + "/NoSuch"));

    const Restore::Folder created = Restore::folder(root + "/NoSuch", root + "/Home/Deep/Applications");
    EXPECT_TRUE(created.fellBack);
    EXPECT_TRUE(QFileInfo(root + "/Home/Deep/Applications").isDir());

    QFile blocker(root + "/File");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_THROW(Restore::folder(root + "/NoSuch", root + "/File/Applications"), FileError);
}
