#include "sources/BrewCatalogue.h"
#include "sources/BrewIndex.h"
#include "sources/Net.h"

#include "runtime/Blocking.h"
#include "runtime/Error.h"

#include "FakeClock.h"
#include "LoopbackServer.h"
#include "RunSync.h"
#include "TestData.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>

namespace {

QByteArray excerpt() { return realFeed("homebrew_cask_api_excerpt_8_entries.json"); }

BrewCatalogue parsed(const QByteArray& json, bool arm = true, int macOS = 15) {
    auto catalogue = BrewCatalogue::parse(json, arm, macOS);
    EXPECT_TRUE(catalogue);
    return catalogue.value_or(BrewCatalogue{});
}

QString token(const std::optional<Cask>& cask) { return cask ? cask->token : QStringLiteral("<none>"); }

} // namespace

TEST(BrewCatalogue, RealExcerpt) {
    const QByteArray json = excerpt();
    const BrewCatalogue catalogue = parsed(json);
    // The two command-line casks install no application and name no bundle identifier.
    QStringList tokens = catalogue.tokens();
    tokens.sort();
    EXPECT_EQ(tokens.join(' '), "0-ad 1clipboard 1kc-razer 1password@nightly 3dgenceslicer 4k-video-downloader+");
    const Cask clipboard = catalogue.byToken("1clipboard").value_or(Cask{});
    EXPECT_EQ(clipboard.bundleIDs.join(' '), "com.ngwin.1clipboard com.ngwin.1clipboardhelper com.ngwin.1clipboard");
    EXPECT_EQ(clipboard.zap.size(), 6);
    EXPECT_EQ(catalogue.byToken("1password@nightly").value_or(Cask{}).bundleIDs.size(), 7);
    EXPECT_EQ(catalogue.byToken("1password@nightly").value_or(Cask{}).zap.size(), 9); // five wildcard paths left out
    EXPECT_EQ(catalogue.byToken("3dgenceslicer").value_or(Cask{}).bundleIDs,
              QStringList{"com.3dgence.slicer.3DGence Slicer"});
    EXPECT_EQ(catalogue.byApp("0 a.d..app").size(), 1); // the file name and its target: one key

    const std::pair<const char*, const char*> lookups[] = {
        {"com.wildfiregames.0ad", "0 A.D..app"},      // the cask names no identifier
        {"COM.NGWIN.1CLIPBOARD", "1CLIPBOARD.APP"},   // file name and mentions ignore case
        {"com.ngwin.1clipboard", "Renamed.app"},      // by identifier
        {"COM.NGWIN.1CLIPBOARD", "Renamed.app"},      // ... with its exact capitals only
        {"org.example.other", "1Clipboard.app"},      // the name matches, the cask names others
        {"com.1password.1password", "1Password.app"}, // named only inside a zap path
    };
    const char* expected[] = {"0-ad", "1clipboard", "1clipboard", "<none>", "<none>", "1password@nightly"};
    for (size_t i = 0; i < std::size(lookups); ++i)
        EXPECT_EQ(token(catalogue.cask(lookups[i].first, lookups[i].second)), expected[i]) << lookups[i].first;

    // Variations: Intel builds take the codename's entry; arm64 has none here, nor does macOS 10.
    const QUrl arm("https://releases.wildfiregames.com/0ad-0.28.0-macos-aarch64.dmg");
    const QUrl intel("https://releases.wildfiregames.com/0ad-0.28.0-macos-x86_64.dmg");
    EXPECT_EQ(parsed(json, true, 15).byToken("0-ad").value_or(Cask{}).url, arm);
    EXPECT_EQ(parsed(json, false, 15).byToken("0-ad").value_or(Cask{}).url, intel);
    EXPECT_EQ(parsed(json, false, 30).byToken("0-ad").value_or(Cask{}).url, intel);
    EXPECT_EQ(parsed(json, false, 10).byToken("0-ad").value_or(Cask{}).url, arm);
    EXPECT_EQ(parsed(json, false, 15).byToken("0-ad").value_or(Cask{}).version, "0.28.0");
}

TEST(BrewCatalogue, HarvestsIdentifiersAndZapPaths) {
    const Cask cask = parsed(R"([{"token":"t","artifacts":[
        {"uninstall":[{"quit":"com.example.quit","delete":["/Applications/Helper.app","/Library/Other.app"],
                       "trash":"~/Library/Containers/com.example.fromuninstall"}]},
        {"zap":[{"trash":["~/Library/Preferences/com.example.app.plist","~/Library/Containers/com.example.app",
                          "~/Library/Preferences/ByHost/com.example.app.*.plist","~/Library/Preferences/name.plist",
                          "~/Library/Containers/com.a.b/Data/Library/Preferences/com.c.d.plist"],
                 "delete":["~/Library/Caches/x","/tmp/elsewhere"],"rmdir":"~/Documents/Example"}]}]}])")
                          .byApp("helper.app")
                          .value(0);
    EXPECT_EQ(cask.bundleIDs.join(' '),
              "com.example.quit com.example.fromuninstall com.example.app com.example.app com.a.b com.c.d");
    EXPECT_EQ(cask.zap.join(' '),
              "~/Library/Preferences/com.example.app.plist ~/Library/Containers/com.example.app "
              "~/Library/Preferences/name.plist "
              "~/Library/Containers/com.a.b/Data/Library/Preferences/com.c.d.plist ~/Library/Caches/x");
    EXPECT_TRUE(cask.mentions.contains("~/documents/example"));

    // A list that mixes strings with other values gives no strings at all.
    const Cask mixed = parsed(R"([{"token":"m","artifacts":[{"app":["Mixed.app"]},
        {"uninstall":[{"quit":["com.example.kept.one"],"delete":["/Applications/Mixed Helper.app",1]}]},
        {"zap":[{"trash":["~/Library/Containers/com.example.mixed",{"x":1}],"delete":["~/Library/Caches/m",null]}]}]}])")
                           .byApp("mixed.app")
                           .value(0);
    EXPECT_EQ(mixed.bundleIDs.join(' '), "com.example.kept.one");
    EXPECT_EQ(mixed.zap, QStringList());
}

TEST(BrewCatalogue, OddShapesSkipOnlyWhatIsOdd) {
    const BrewCatalogue catalogue = parsed(R"([{}, {"token":5,"artifacts":[{"app":["A.app"]}]}, {"token":"none"},
        {"token":"mixed","artifacts":[{"app":["M.app"]}, 7]},
        {"token":"ok","version":3,"url":"::bad::","homepage":["x"],"variations":{"arm64_sequoia":"text"},
         "artifacts":[{"app":["Ok.app",{"target":"Renamed.app"},{"x":1}]},{"pkg":[4,"b.pkg"]},{"pkg":["c.pkg"]},
                      {"zap":"not a list"}]},
        {"token":"ok","artifacts":[{"app":["Later.app"]}]}])");
    ASSERT_EQ(catalogue.size(), 1);
    const Cask first = catalogue.byApp("ok.app").value(0);
    EXPECT_EQ(first.version, QString());
    EXPECT_EQ(first.url, std::nullopt);
    EXPECT_EQ(first.homepage, std::nullopt);
    EXPECT_EQ(first.pkg, QStringLiteral("c.pkg")); // a list starting with a number does not settle it
    EXPECT_EQ(token(catalogue.byApp("renamed.app").value(0)), "ok");
    EXPECT_EQ(catalogue.byToken("ok").value_or(Cask{}).pkg, std::nullopt); // the later cask replaced it

    for (const char* wrong :
         {"{}", "[1]", "[[]]", "\"text\"", "not json", "", "[{}, 2]", "[{}] [{}]", "[{}", "[{\"token\":\"a\\q\"}]"})
        EXPECT_FALSE(BrewCatalogue::parse(wrong, true, 15)) << wrong;
}

// Casks are found by scanning the list before each is parsed: quotes, brackets and escapes inside
// strings end nothing, and a file gives what its text gives.
TEST(BrewCatalogue, CasksAreFoundWhateverTheirStringsHold) {
    const QByteArray json = R"([ {"token":"a\"]}{[","artifacts":[{"app":["A \\\"x\\\\.app"]}]} ,
        {"token":"b","artifacts":[{"app":["B.app"]}]}]
)";
    const BrewCatalogue catalogue = parsed(json);
    QStringList tokens = catalogue.tokens();
    tokens.sort();
    EXPECT_EQ(tokens, (QStringList{"a\"]}{[", "b"}));
    EXPECT_EQ(token(catalogue.byApp(R"(a \"x\\.app)").value(0)), "a\"]}{[");
    EXPECT_EQ(token(catalogue.byApp("b.app").value(0)), "b");

    QTemporaryDir dir;
    const QString path = dir.filePath("cask.json");
    for (const QByteArray& text : {json, excerpt(), QByteArray()}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        const auto loaded = BrewCatalogue::load(path, true, 15);
        const auto fromText = BrewCatalogue::parse(text, true, 15);
        ASSERT_EQ(bool(loaded), bool(fromText));
        if (loaded) {
            EXPECT_EQ(loaded->tokens(), fromText->tokens());
        }
    }
    EXPECT_FALSE(BrewCatalogue::load(dir.filePath("missing.json"), true, 15));
}

TEST(BrewCatalogue, ScoringPrefersPlainTokensThatNameTheApp) {
    const std::pair<const char*, const char*> cases[] = {
        {R"([{"token":"foo@beta","artifacts":[{"app":["Foo.app"]},{"zap":[{"quit":"com.foo"}]}]},
             {"token":"foo","artifacts":[{"app":["Foo.app"]},{"zap":[{"quit":"com.foo"}]}]}])",
         "foo"},
        {R"([{"token":"foo","artifacts":[{"app":["Foo.app"]}]},
             {"token":"foo@beta","artifacts":[{"app":["Foo.app"]},{"zap":[{"quit":"com.foo"}]}]}])",
         "foo"},
        {R"([{"token":"first","artifacts":[{"app":["Foo.app"]}]},{"token":"second","artifacts":[{"app":["Foo.app"]}]}])",
         "first"},
        {R"([{"token":"path","artifacts":[{"app":["Foo.app"]},{"zap":[{"quit":"com.other","trash":"~/x/com.foo"}]}]},
             {"token":"exact","artifacts":[{"app":["Foo.app"]},{"zap":[{"quit":"com.foo"}]}]}])",
         "exact"},
    };
    for (const auto& [json, winner] : cases)
        EXPECT_EQ(token(parsed(json).cask("com.foo", "foo.APP")), winner) << json;
    // A decomposed name in the catalogue meets the composed one from the disk.
    EXPECT_EQ(
        token(parsed(R"([{"token":"cafe","artifacts":[{"app":["Cafe\u0301.app"]}]}])").cask("x", "Caf\u00e9.app")),
        "cafe");
}

namespace {

QString cacheFolder(const char* name) {
    const QString folder = QDir::tempPath() + QStringLiteral("/brew-") + QString::fromUtf8(name);
    QDir(folder).removeRecursively();
    return folder;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString failureOf(QCoro::Task<void> task) {
    try {
        runSync(std::move(task));
    } catch (const Error& error) {
        return error.description();
    }
    return QStringLiteral("<no error>");
}

// Serves the catalogue with validators, or "not modified".
struct CatalogueServer {
    LoopbackServer server;
    std::string body = excerpt().toStdString();
    int status = 200;
    bool notModified = false;
    std::function<void()> beforeAnswer; // runs on the server's thread

    CatalogueServer() {
        server.http().Get("/api/cask.json", [this](const httplib::Request&, httplib::Response& res) {
            if (beforeAnswer)
                beforeAnswer();
            res.status = notModified ? 304 : status;
            if (notModified)
                return;
            res.set_header("ETag", "\"v1\"");
            res.set_header("Last-Modified", "Mon, 05 Jan 2026 12:00:00 GMT");
            res.set_content(body, "application/json");
        });
        server.start();
    }
    // Closing the client's connections first lets the server stop at once.
    ~CatalogueServer() { Net::resetForTest(); }
    QUrl url() const { return server.url("/api/cask.json"); }
};

QCoro::Task<int> eightLookups(BrewIndex& index) {
    std::vector<QCoro::Task<std::optional<Cask>>> lookups;
    for (int i = 0; i < 8; ++i)
        lookups.push_back(index.cask(QStringLiteral("com.ngwin.1clipboard"), QStringLiteral("1Clipboard.app")));
    int found = 0;
    for (auto& lookup : lookups)
        found += (co_await lookup).has_value() ? 1 : 0;
    co_return found;
}

} // namespace

TEST(BrewIndex, ConcurrentLookupsShareOneLoadThenReuseItForAnHour) {
    FakeClock clock;
    CatalogueServer catalogue;
    const QString folder = cacheFolder("shared");
    BrewIndex index(catalogue.url(), folder);
    EXPECT_EQ(runSync(eightLookups(index)), 8);
    EXPECT_EQ(catalogue.server.requestCount(), 1);
    EXPECT_EQ(Blocking::inFlight(), 0); // the joiners' resumes were counted, as the fake clock needs
    // The disk copy is the body as sent; the validator is the two headers on two lines.
    EXPECT_EQ(readAll(folder + "/cask.json"), excerpt());
    EXPECT_EQ(readAll(folder + "/cask.json.validator"), QByteArray("\"v1\"\nMon, 05 Jan 2026 12:00:00 GMT"));

    clock.advanceSeconds(59 * 60);
    runSync(index.load());
    EXPECT_EQ(catalogue.server.requestCount(), 1);
    clock.advanceSeconds(2 * 60);
    catalogue.notModified = true;
    runSync(index.load());
    ASSERT_EQ(catalogue.server.requestCount(), 2);
    EXPECT_EQ(catalogue.server.requests().back().header("If-None-Match"), "\"v1\"");
    EXPECT_FALSE(catalogue.server.requests().back().hasHeader("If-Modified-Since"));
    EXPECT_TRUE(index.reused());
    EXPECT_EQ(index.loadedAt(), clock.now());
    EXPECT_EQ(index.tables().size(), 6);
}

TEST(BrewIndex, ValidatorFileDecidesTheConditionalHeader) {
    const struct {
        const char* validator;
        const char* header; // the one conditional header sent, if any
        const char* value;
    } cases[] = {
        {"\nMon, 05 Jan 2026 12:00:00 GMT", "If-Modified-Since", "Mon, 05 Jan 2026 12:00:00 GMT"},
        {"\"e\"\nMon, 05 Jan 2026 12:00:00 GMT", "If-None-Match", "\"e\""},
        {"\"e\"\nMon, 05 Jan 2026 12:00:00 GMT\n", nullptr, nullptr}, // three pieces: ignored
        {"\n", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        CatalogueServer catalogue;
        const QString folder = cacheFolder("validator");
        write(folder + "/cask.json", "[]");
        write(folder + "/cask.json.validator", c.validator);
        BrewIndex index(catalogue.url(), folder);
        runSync(index.load());
        const auto request = catalogue.server.requests().at(0);
        const int sent =
            (request.hasHeader("If-None-Match") ? 1 : 0) + (request.hasHeader("If-Modified-Since") ? 1 : 0);
        EXPECT_EQ(sent, c.header ? 1 : 0) << c.validator;
        // Bypassing a local cache adds no caching headers of its own.
        EXPECT_FALSE(request.hasHeader("Cache-Control") || request.hasHeader("Pragma"))
            << request.header("Cache-Control");
        if (c.header) {
            EXPECT_EQ(request.header(c.header), c.value);
        }
    }
}

TEST(BrewIndex, NotModifiedWithoutACopyFailsAndTheNextLoadIsFull) {
    CatalogueServer catalogue;
    const QString folder = cacheFolder("vanished");
    write(folder + "/cask.json.validator", "\"v0\"\n");
    write(folder + "/cask.json", "[]");
    catalogue.notModified = true;
    catalogue.beforeAnswer = [folder] { QFile::remove(folder + "/cask.json"); }; // gone after the request
    BrewIndex index(catalogue.url(), folder);
    EXPECT_EQ(failureOf(index.load()), QStringLiteral("The server answered HTTP 304"));
    EXPECT_FALSE(index.reused());
    EXPECT_FALSE(index.loadedAt());

    catalogue.notModified = false;
    catalogue.beforeAnswer = nullptr;
    runSync(index.load());
    EXPECT_FALSE(catalogue.server.requests().at(1).hasHeader("If-None-Match"));
    EXPECT_EQ(index.tables().size(), 6);
}

TEST(BrewIndex, FailuresLeaveTheLastTablesAndTheCopy) {
    CatalogueServer catalogue;
    FakeClock clock;
    const QString folder = cacheFolder("failures");
    BrewIndex index(catalogue.url(), folder);
    runSync(index.load());
    const auto loadedAt = index.loadedAt();

    clock.advanceSeconds(3600);
    catalogue.status = 500;
    EXPECT_EQ(failureOf(index.load()), QStringLiteral("The server answered HTTP 500"));
    EXPECT_EQ(readAll(folder + "/cask.json"), excerpt());
    EXPECT_TRUE(QFile::exists(folder + "/cask.json.validator"));

    catalogue.status = 200;
    for (const char* body : {"{\"casks\": []}", "not json", "[1, 2]"}) {
        catalogue.body = body;
        write(folder + "/cask.json.validator", "\"v1\"\n");
        EXPECT_EQ(failureOf(index.load()), QStringLiteral("The cask index has an unexpected format")) << body;
        EXPECT_FALSE(QFile::exists(folder + "/cask.json.validator")) << body;
        EXPECT_EQ(index.tables().size(), 6);
        EXPECT_EQ(index.loadedAt(), loadedAt);
    }
}

TEST(BrewIndex, RefusesAnAnswerBeyondTheCeiling) {
    LoopbackServer server;
    const size_t size = Net::defaultBodyCeiling + (1 << 20);
    server.http().Get("/api/cask.json", [size](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(size, "application/json", [](size_t, size_t, httplib::DataSink& sink) {
            static const std::string chunk(1 << 20, ' ');
            return sink.write(chunk.data(), chunk.size());
        });
    });
    server.start();
    BrewIndex index(server.url("/api/cask.json"), cacheFolder("ceiling"));
    EXPECT_EQ(failureOf(index.load()), QStringLiteral("The server's answer is larger than 64 MB and was not read"));
    Net::resetForTest();
}
