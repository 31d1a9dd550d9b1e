#include "sources/ElectronSource.h"

#include "Helpers.h"
#include "RunSync.h"

#include <gtest/gtest.h>

namespace {

const QUrl feed(QStringLiteral("https://downloads.example.com/app/mac/latest-mac.yml"));

Release parsed(const QByteArray& body) { return ElectronSource::parse(body, feed); }

} // namespace

TEST(ElectronSource, RealFeeds) {
    struct Case {
        const char* file;
        const char* version;
        const char* url;
        std::optional<std::int64_t> size;
    };
    const Case cases[] = {
        {"latest-mac_afpnews-deck_2018_missing_size.yml", "0.1.6",
         "https://downloads.example.com/app/mac/afpnews-deck-0.1.6-mac.zip", 98139182},
        {"latest-mac_approver_MALFORMED.yml", "0.0.2",
         "https://github.com/keyboard-dev/approver-client/releases/download/v0.0.2/"
         "keyboard-approver.App-darwin-universal-0.0.2.zip",
         std::nullopt},
        {"latest-mac_ccv-plus_single_dmg.yml", "1.0.6", "https://downloads.example.com/app/mac/ccv-plus-1.0.6.dmg",
         174667515},
        {"latest-mac_finch_placeholder_hash.yml", "1.3.0",
         "https://downloads.example.com/app/mac/Finch-1.3.0-arm64.dmg", 0},
        {"latest-mac_flyenv_x64_and_arm64.yml", "4.14.2", "https://downloads.example.com/app/mac/FlyEnv-4.14.2-mac.zip",
         171483126},
        {"latest-mac_october_nightly_absolute_urls.yml", "1.0.46-nightly.20260903.10",
         "https://github.com/harshsaver/october-desktop-releases/releases/download/"
         "v1.0.46-nightly.20260903.10/October-1.0.46-nightly.20260903.10-arm64-mac.zip",
         440768580},
        {"latest-mac_promptcopy_universal.yml", "0.0.1",
         "https://downloads.example.com/app/mac/PromptCopy-0.0.1-universal-mac.zip", 214074042},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        QByteArray body = realFeed(c.file);
        ASSERT_FALSE(body.isEmpty());
        // Carriage returns before line feeds change nothing.
        for (const QByteArray& form : {body, body.replace("\n", "\r\n")}) {
            const Release r = parsed(form);
            EXPECT_EQ(r.kind, SourceKind::electron);
            EXPECT_EQ(r.version, QString::fromUtf8(c.version));
            ASSERT_TRUE(r.download);
            EXPECT_EQ(r.download->url.toString(), QString::fromUtf8(c.url));
            EXPECT_EQ(r.download->size, c.size);
            EXPECT_FALSE(r.download->sha256 || r.download->edSignature || r.download->package);
            EXPECT_FALSE(r.build || r.notes || r.notesURL || r.storeURL || r.ref);
        }
    }
}

TEST(ElectronSource, LineRules) {
    const Release listed = parsed("version: 1.2.3\nfiles:\n  - url: App-1.2.3-mac.zip\n    size: 1000\n");
    EXPECT_EQ(listed.version, QStringLiteral("1.2.3"));
    EXPECT_EQ(listed.download->url, QUrl(QStringLiteral("https://downloads.example.com/app/mac/App-1.2.3-mac.zip")));
    EXPECT_EQ(listed.download->size, 1000);

    // Indented version lines (inside the file list) do not count; a tab-indented one does.
    EXPECT_EQ(failureOf([] { parsed("files:\n  - url: a.zip\n    version: 1.0\n"); }),
              QStringLiteral("latest-mac.yml has no version"));
    EXPECT_EQ(parsed("\tversion: 7\n").version, QStringLiteral("7"));
    EXPECT_EQ(parsed("files:\n  version: 1\nversion: 2\n").version, QStringLiteral("2"));
    EXPECT_EQ(parsed("version:\n").version, QString());
    EXPECT_EQ(parsed("version: '2.0.0'").version, QStringLiteral("2.0.0"));
    EXPECT_EQ(parsed("version: \"2.0.0\"").version, QStringLiteral("2.0.0"));
    EXPECT_EQ(parsed("\u3000version:2").version, QStringLiteral("2")); // any horizontal space
    for (const char* near : {"versions: 3", "version : 3", "-version: 3", "# version: 3"})
        EXPECT_EQ(failureOf([&] { parsed(near); }), QStringLiteral("latest-mac.yml has no version")) << near;
    EXPECT_EQ(failureOf([] { parsed(""); }), QStringLiteral("latest-mac.yml has no version"));

    const std::pair<const char*, std::optional<std::int64_t>> sizes[] = {
        {"12.5", std::nullopt},
        {"large", std::nullopt},
        {"+42", 42},
        {"+", std::nullopt},
        {"9223372036854775807", 9223372036854775807LL},
        {"9223372036854775808", std::nullopt},
    };
    for (const auto& [text, size] : sizes)
        EXPECT_EQ(parsed(QByteArray("version: 1\nurl: a.zip\nsize: ") + text).download->size, size) << text;

    // The first url line wins even when it is unusable: no download, still a release.
    EXPECT_FALSE(parsed("version: 1\nurl:\nurl: b.zip\n").download);
    EXPECT_FALSE(parsed("version: 1\n").download);
    EXPECT_EQ(parsed("version: 1\npath: x\nurl: ../other/a.zip\n").download->url,
              QUrl(QStringLiteral("https://downloads.example.com/app/other/a.zip")));
}

TEST(ElectronSource, OddBytesNeverFail) {
    EXPECT_EQ(parsed("version: 1.\xff\xfe"
                     "0\nurl: a\xc3.zip\n")
                  .version,
              QStringLiteral("1.\ufffd\ufffd0"));
    // Other line separators split lines too.
    EXPECT_EQ(parsed("name: x\xe2\x80\xa8version: 3\x0burl: b.zip").version, QStringLiteral("3"));
    QByteArray binary(200000, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 7919) % 251);
    EXPECT_EQ(failureOf([&] { parsed(binary); }), QStringLiteral("latest-mac.yml has no version"));
}

TEST(ElectronSource, FetchesWithoutAccept) {
    ServedNet served;
    auto& server = served.server;
    server.serve("/app/latest-mac.yml", std::string(realFeed("latest-mac_ccv-plus_single_dmg.yml")), 200, "text/yaml");
    server.serve("/gone/latest-mac.yml", "", 404);
    server.start();
    const Release r = runSync(ElectronSource::electron(server.url("/app/latest-mac.yml")));
    EXPECT_EQ(r.version, QStringLiteral("1.0.6"));
    EXPECT_EQ(r.download->url, server.url("/app/ccv-plus-1.0.6.dmg"));
    EXPECT_EQ(failureOf([&] { runSync(ElectronSource::electron(server.url("/gone/latest-mac.yml"))); }),
              QStringLiteral("The server answered HTTP 404"));
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_FALSE(requests[0].hasHeader("Accept"));
}
