#include "sources/GitHubSource.h"

#include "platform/system/SystemInfo.h"
#include "runtime/ParseError.h"
#include "sources/Endpoints.h"

#include "Helpers.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

using GitHubSource::Processor;

namespace {

QList<QJsonObject> assets(std::initializer_list<const char*> names) {
    QList<QJsonObject> list;
    for (const char* name : names)
        list.append(QJsonObject{{QStringLiteral("name"), QString::fromUtf8(name)}});
    return list;
}

QString chosen(std::initializer_list<const char*> names, Processor processor) {
    const auto asset = GitHubSource::macAsset(assets(names), processor);
    return asset ? asset->value(QLatin1String("name")).toString() : QStringLiteral("<none>");
}

QByteArray release(const QJsonObject& asset, const QString& tag = QStringLiteral("v1.2.0")) {
    return QJsonDocument(QJsonObject{{QStringLiteral("tag_name"), tag}, {QStringLiteral("assets"), QJsonArray{asset}}})
        .toJson();
}

} // namespace

TEST(GitHubSource, VersionFromTag) {
    struct Case {
        const char* tag;
        const char* version; // nullptr: none
    };
    const Case cases[] = {
        {"v1.4.0", "1.4.0"},
        {"Version-1.4.0-beta.2", "1.4.0-beta.2"},
        {"release-7.1", "7.1"},
        {"build2", "2"},
        {"nightly", nullptr},
        {"", nullptr},
        {"v\u00bd", "\u00bd"},             // a vulgar fraction is numeric
        {"r\u0663.1", "\u0663.1"},         // an Arabic-Indic digit
        {"\u7248\u4e94.0", "\u4e94.0"},    // a Han numeral carries a numeric value
        {"v\U0001D7E0.1", "\U0001D7E0.1"}, // a mathematical digit outside the BMP
    };
    for (const Case& c : cases) {
        const auto version = GitHubSource::versionFromTag(QString::fromUtf8(c.tag));
        if (c.version)
            EXPECT_EQ(version, QString::fromUtf8(c.version)) << c.tag;
        else
            EXPECT_FALSE(version) << c.tag;
    }
}

TEST(GitHubSource, MacAssetOnAppleSilicon) {
    const Processor arm = Processor::arm64;
    EXPECT_EQ(chosen({"App-1.2-x64.dmg", "App-1.2-arm64.dmg", "App-1.2-universal.dmg"}, arm),
              QStringLiteral("App-1.2-universal.dmg"));
    EXPECT_EQ(chosen({"App-mac.zip", "App-darwin.zip"}, arm), QStringLiteral("App-mac.zip"));
    EXPECT_EQ(chosen({"App-linux.zip", "App.tar.gz", "App-win64.zip", "App.dSYM.zip"}, arm), QStringLiteral("<none>"));
    EXPECT_EQ(chosen({"App-universal-x64.dmg"}, arm), QStringLiteral("App-universal-x64.dmg"));
    EXPECT_EQ(chosen({"App-1.2.dmg", "App-1.2-mac.dmg", "App-1.2-arm64.dmg", "App-1.2-mac-arm64.DMG"}, arm),
              QStringLiteral("App-1.2-mac-arm64.DMG"));
    EXPECT_EQ(chosen({"App-intel.dmg", "App-x86_64.zip", "App-amd64.zip", "App-source.zip", "App_win.zip",
                      "App-win-setup.zip", "App-symbols.zip"},
                     arm),
              QStringLiteral("<none>"));
    // Names that are not strings count as empty and are skipped.
    QList<QJsonObject> odd{QJsonObject{{QStringLiteral("name"), 5}}, QJsonObject{}};
    EXPECT_FALSE(GitHubSource::macAsset(odd, arm));
}

TEST(GitHubSource, MacAssetOnIntelPrefersIntelBuilds) {
    const Processor intel = Processor::x86_64;
    EXPECT_EQ(chosen({"App-1.2-arm64.dmg", "App-1.2-x64.dmg"}, intel), QStringLiteral("App-1.2-x64.dmg"));
    EXPECT_EQ(chosen({"App-1.2-arm64.dmg", "App-aarch64.zip", "App-apple-silicon.dmg"}, intel),
              QStringLiteral("<none>"));
    EXPECT_EQ(chosen({"App-1.2-x64.dmg", "App-1.2-universal.dmg"}, intel), QStringLiteral("App-1.2-universal.dmg"));
    EXPECT_EQ(chosen({"App-1.2.dmg", "App-1.2-intel-mac.zip"}, intel), QStringLiteral("App-1.2-intel-mac.zip"));
    EXPECT_EQ(chosen({"App-universal-arm64.dmg"}, intel), QStringLiteral("App-universal-arm64.dmg"));

    // Without a processor named, the running build's decides.
    for (bool arm : {true, false}) {
        SystemInfo::overrideArm(arm);
        const auto asset = GitHubSource::macAsset(assets({"App-arm64.zip", "App-x64.zip"}));
        EXPECT_EQ(asset->value(QLatin1String("name")).toString(),
                  arm ? QStringLiteral("App-arm64.zip") : QStringLiteral("App-x64.zip"));
    }
    SystemInfo::overrideArm(std::nullopt);
}

TEST(GitHubSource, RealAnswers) {
    struct Case {
        const char* file;
        const char* version;
        std::optional<QString> notes;
        const char* page;
    };
    const Case cases[] = {
        {"github_latest_release_github3py_null_name.json", "0.9.3", std::nullopt,
         "https://github.com/sigmavirus24/github3.py/releases/tag/0.9.3"},
        {"github_latest_release_octokit_rb_2015_no_assets.json", "3.7.1",
         QStringLiteral("- #543 Properly paginate PR comments - @gylaz \r\n"),
         "https://github.com/octokit/octokit.rb/releases/tag/v3.7.1"},
        {"github_latest_release_pygithub_2020.json", "1.0", QStringLiteral("Body"),
         "https://github.com/rickrickston123/RepoTest/releases/tag/v1.0"},
        {"github_release_with_asset_digest.json", "0.3.0__src_sink_carbon__sink-carbon_cli22.0.1",
         QStringLiteral("Unaudited SinkContract v0.3.0\r\n"),
         "https://github.com/stellarcarbon/sorocarbon/releases/tag/v0.3.0__src_sink_carbon__sink-carbon_cli22.0.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QByteArray body = realFeed(c.file);
        ASSERT_FALSE(body.isEmpty());
        for (Processor processor : {Processor::arm64, Processor::x86_64}) {
            const Release r = GitHubSource::parse(body, processor);
            EXPECT_EQ(r.kind, SourceKind::github);
            EXPECT_EQ(r.version, QString::fromUtf8(c.version));
            if (c.notes) {
                ASSERT_TRUE(r.notes);
                EXPECT_TRUE(r.notes->startsWith(*c.notes)) << r.notes->left(60).toStdString();
            } else {
                EXPECT_FALSE(r.notes);
            }
            EXPECT_EQ(r.notesURL, QUrl(QString::fromUtf8(c.page)));
            // No asset in these answers is a disk image or zip archive (a wheel, "fact", wasm).
            EXPECT_FALSE(r.download);
            EXPECT_FALSE(r.build || r.storeURL || r.ref);
        }
    }
}

TEST(GitHubSource, DownloadFromTheChosenAsset) {
    // The real asset with a digest, renamed to a macOS archive.
    QJsonObject top = realJson("github_release_with_asset_digest.json").object();
    QJsonArray list = top.value(QLatin1String("assets")).toArray();
    ASSERT_FALSE(list.isEmpty()) << "the recorded release lists its asset";
    QJsonObject asset = list.at(0).toObject();
    asset.insert(QStringLiteral("name"), QStringLiteral("sink-carbon-0.3.0-mac.zip"));
    list.replace(0, asset);
    top.insert(QStringLiteral("assets"), list);
    const Release real = GitHubSource::parse(QJsonDocument(top).toJson());
    ASSERT_TRUE(real.download);
    EXPECT_EQ(real.download->url,
              QUrl(QStringLiteral("https://github.com/stellarcarbon/sorocarbon/releases/download/"
                                  "v0.3.0__src_sink_carbon__sink-carbon_cli22.0.1/sink-carbon_v0.3.0.wasm")));
    EXPECT_EQ(real.download->size, 4945);
    EXPECT_EQ(real.download->sha256,
              QStringLiteral("2e4ca075988921c6c8bf01cc9e7bd4530830898f47346f1945cad930b7dfdf4d"));
    EXPECT_FALSE(real.download->edSignature || real.download->package);

    const auto made = [](QJsonObject fields) {
        fields.insert(QStringLiteral("name"), QStringLiteral("App-mac.zip"));
        if (!fields.contains(QLatin1String("browser_download_url")))
            fields.insert(QStringLiteral("browser_download_url"), QStringLiteral("https://example.com/App-mac.zip"));
        return GitHubSource::parse(release(fields)).download;
    };
    EXPECT_EQ(made({{QStringLiteral("digest"), QStringLiteral("sha256:ABCDEF")}})->sha256, QStringLiteral("ABCDEF"));
    EXPECT_FALSE(made({{QStringLiteral("digest"), QStringLiteral("SHA256:abc")}})->sha256);
    EXPECT_FALSE(made({{QStringLiteral("digest"), QStringLiteral("sha512:abc")}})->sha256);
    EXPECT_EQ(made({{QStringLiteral("size"), 1234.9}})->size, 1234);
    EXPECT_FALSE(made({{QStringLiteral("size"), 1e300}})->size);
    EXPECT_FALSE(made({{QStringLiteral("size"), QStringLiteral("12")}})->size);
    EXPECT_FALSE(made({{QStringLiteral("browser_download_url"), 3}}));
    EXPECT_FALSE(made({{QStringLiteral("browser_download_url"), QString()}}));
}

TEST(GitHubSource, FailureSentences) {
    const QString none = QStringLiteral("The repository has no published release");
    const char* noTag[] = {R"({"tag_name":null})", R"({"tag_name":12})", R"({"name":"v1"})", R"([{"tag_name":"v1"}])",
                           R"({"message":"Not Found"})"};
    for (const char* json : noTag)
        EXPECT_EQ(failureOf([&] { GitHubSource::parse(QByteArray(json)); }), none) << json;
    EXPECT_EQ(failureOf([&] { GitHubSource::parse(R"({"tag_name":"nightly"})"); }),
              QStringLiteral("The release tag \"\u2068nightly\u2069\" has no version number"));
    EXPECT_EQ(failureOf([&] { GitHubSource::parse(R"({"tag_name":""})"); }),
              QStringLiteral("The release tag \"\u2068\u2069\" has no version number"));
    EXPECT_TRUE(throwsA<ParseError>([] { GitHubSource::parse("{\"tag_name\":\"v1\""); }));
    // Wrong types elsewhere never fail the release.
    const Release odd = GitHubSource::parse(
        R"({"tag_name":"v2","body":{"x":1},"html_url":"file:///etc/passwd","assets":[1,{"name":"a.dmg"}]})");
    EXPECT_EQ(odd.version, QStringLiteral("2"));
    EXPECT_FALSE(odd.notes || odd.notesURL || odd.download);
}

TEST(GitHubSource, FetchesTheLatestReleaseWithTheGitHubAccept) {
    ServedNet served;
    auto& server = served.server;
    server.serve("/repos/owner/app/releases/latest",
                 release(QJsonObject{{QStringLiteral("name"), QStringLiteral("App-arm64-mac.zip")},
                                     {QStringLiteral("browser_download_url"),
                                      QStringLiteral("https://example.com/App-arm64-mac.zip")}},
                         QStringLiteral("v3.1"))
                     .toStdString());
    server.serve("/repos/owner/empty/releases/latest", R"({"message":"Not Found"})", 404);
    server.serve("/repos/owner/limited/releases/latest", "{}", 403, "application/json",
                 {{"X-RateLimit-Remaining", "0"}});
    server.start();
    const Endpoints endpoints = Endpoints::mock(server.url("/"));

    const Release r =
        runSync(GitHubSource::github(endpoints.latestRelease(QStringLiteral("owner/app")), {}, Processor::arm64));
    EXPECT_EQ(r.version, QStringLiteral("3.1"));
    EXPECT_EQ(r.download->url, QUrl(QStringLiteral("https://example.com/App-arm64-mac.zip")));
    EXPECT_EQ(failureOf([&] { runSync(GitHubSource::github(endpoints.latestRelease(QStringLiteral("owner/empty")))); }),
              QStringLiteral("The server answered HTTP 404"));
    EXPECT_EQ(
        failureOf([&] { runSync(GitHubSource::github(endpoints.latestRelease(QStringLiteral("owner/limited")))); }),
        QStringLiteral("GitHub's hourly limit for anonymous requests is used up; try again later"));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].target, "/repos/owner/app/releases/latest");
    EXPECT_EQ(requests[0].header("Accept"), "application/vnd.github+json");
}
