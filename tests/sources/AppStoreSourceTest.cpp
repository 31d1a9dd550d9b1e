#include "sources/AppStoreSource.h"

#include "runtime/ParseError.h"
#include "sources/Net.h"

#include "Helpers.h"
#include "LoopbackServer.h"
#include "RunSync.h"

#include <gtest/gtest.h>

namespace {

const QLocale german(QLocale::German, QLocale::Germany);

InstalledApp app(const QString& bundleID = QStringLiteral("com.example.Notes")) {
    InstalledApp installed;
    installed.bundleID = bundleID;
    installed.isAppStore = true;
    return installed;
}

Release parsed(const char* json, const char* bundleID = "com.example.Notes") {
    return AppStoreSource::parse(QByteArray(json), QString::fromLatin1(bundleID), QStringLiteral("DE"));
}

} // namespace

TEST(AppStoreSource, LookupUrlKeepsItsQueryOrderAndRegion) {
    const Endpoints mock = Endpoints::mock(QUrl(QStringLiteral("http://127.0.0.1:9/mock/")));
    EXPECT_EQ(AppStoreSource::lookupURL(app(), mock, german).toString(),
              QStringLiteral("http://127.0.0.1:9/mock/lookup?bundleId=com.example.Notes&country=DE"));
    EXPECT_EQ(AppStoreSource::lookupURL(app(), Endpoints(), QLocale::c()).toString(),
              QStringLiteral("https://itunes.apple.com/lookup?bundleId=com.example.Notes&country=US"));
    // Text from a bundle cannot add query items of its own.
    EXPECT_EQ(AppStoreSource::lookupURL(app(QStringLiteral("a b&country=XX")), Endpoints(), german)
                  .toString(QUrl::FullyEncoded),
              QStringLiteral("https://itunes.apple.com/lookup?bundleId=a%20b%26country%3DXX&country=DE"));
    EXPECT_EQ(AppStoreSource::region(QLocale(QLocale::French, QLocale::Canada)), QStringLiteral("CA"));
    EXPECT_EQ(AppStoreSource::region(QLocale::c()), QStringLiteral("US"));
}

TEST(AppStoreSource, MatchRules) {
    // The first exact bundle id match wins; case differs means no match.
    const Release second = parsed(R"({"results":[
        {"bundleId":"com.example.notes","version":"9.9"},
        {"bundleId":"com.example.Notes","version":"2.1","releaseNotes":"Faster.","trackId":497799835},
        {"bundleId":"com.example.Notes","version":"3.0"}]})");
    EXPECT_EQ(second.kind, SourceKind::appStore);
    EXPECT_EQ(second.version, QStringLiteral("2.1"));
    EXPECT_EQ(second.notes, QStringLiteral("Faster."));
    EXPECT_EQ(second.storeURL, QUrl(QStringLiteral("macappstore://apps.apple.com/app/id497799835")));
    EXPECT_FALSE(second.build || second.notesURL || second.download || second.ref);

    const QString notFound = QStringLiteral("Not found in the DE App Store");
    const char* failing[] = {
        R"({"resultCount":0,"results":[]})",
        R"({"results":[{"bundleId":"com.example.notes","version":"1.0"}]})",
        R"({"results":[{"bundleId":"com.example.Notes","version":2}]})",
        R"({"results":[{"bundleId":"com.example.Notes"}]})",
        R"({"results":[7,{"bundleId":"com.example.Notes","version":"1.0"}]})",
        R"({"results":{"bundleId":"com.example.Notes","version":"1.0"}})",
        R"([{"bundleId":"com.example.Notes","version":"1.0"}])",
    };
    for (const char* json : failing)
        EXPECT_EQ(failureOf([&] { parsed(json); }), notFound) << json;
}

TEST(AppStoreSource, StoreLinkAndNotes) {
    struct Case {
        const char* fields;
        std::optional<QString> store;
    };
    const Case cases[] = {
        {R"("trackId":42,"trackViewUrl":"https://apps.apple.com/app/x/id7")",
         QStringLiteral("macappstore://apps.apple.com/app/id42")},
        {R"("trackViewUrl":"https://apps.apple.com/us/app/notes/id7?mt=12")",
         QStringLiteral("https://apps.apple.com/us/app/notes/id7?mt=12")},
        {R"("trackId":"42","trackViewUrl":"itms-apps://apps.apple.com/app/id7")",
         QStringLiteral("itms-apps://apps.apple.com/app/id7")},
        {R"("trackId":4.5,"trackViewUrl":"file:///Applications/Notes.app")", std::nullopt},
        {R"j("trackViewUrl":"javascript:alert(1)")j", std::nullopt},
    };
    for (const Case& c : cases) {
        const QByteArray json =
            QByteArray(R"({"results":[{"bundleId":"com.example.Notes","version":"1.0",)") + c.fields + "}]}";
        const Release release = parsed(json.constData());
        EXPECT_EQ(release.storeURL ? std::optional<QString>(release.storeURL->toString()) : std::nullopt, c.store)
            << c.fields;
        EXPECT_FALSE(release.notes);
    }
    EXPECT_FALSE(parsed(R"({"results":[{"bundleId":"com.example.Notes","version":"1","releaseNotes":["x"]}]})").notes);
}

TEST(AppStoreSource, BadBodiesGiveTheParserError) {
    const QByteArray bodies[] = {
        QByteArray(""),
        QByteArray(R"({"results":[)"),
        QByteArray(100000, '[') + QByteArray(100000, ']'),
        QByteArray("\xff\xfe\x00{", 4),
    };
    for (const QByteArray& body : bodies)
        EXPECT_TRUE(throwsA<ParseError>([&] {
            AppStoreSource::parse(body, QStringLiteral("com.example.Notes"), QStringLiteral("US"));
        })) << body.left(20).toStdString();
}

TEST(AppStoreSource, FetchesWithoutAcceptAndNamesTheRegionWhenMissing) {
    ServedNet served;
    auto& server = served.server;
    server.serve("/lookup", R"({"resultCount":0,"results":[]})", 200, "text/javascript");
    server.start();
    const Endpoints endpoints = Endpoints::mock(server.url("/"));
    const QUrl url = AppStoreSource::lookupURL(app(), endpoints, german);
    EXPECT_EQ(failureOf([&] { runSync(AppStoreSource::appStore(app(), url, {}, german)); }),
              QStringLiteral("Not found in the DE App Store"));
    EXPECT_EQ(failureOf([&] { runSync(AppStoreSource::appStore(app(), url, {}, QLocale::c())); }),
              QStringLiteral("Not found in the US App Store"));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/lookup?bundleId=com.example.Notes&country=DE");
    EXPECT_FALSE(requests[0].hasHeader("Accept"));
    EXPECT_EQ(requests[0].header("User-Agent"), "Quenlark/1.0 (macOS)");
}

TEST(AppStoreSource, LargeAnswersAreReadToo) {
    ServedNet served;
    auto& server = served.server;
    QByteArray big = R"({"results":[)";
    for (int i = 0; i < 3000; ++i)
        big += R"({"bundleId":"com.other.App)" + QByteArray::number(i) + R"(","version":"1.0"},)";
    big += R"({"bundleId":"com.example.Notes","version":"5.0"}]})";
    ASSERT_GT(big.size(), 64 * 1024);
    server.serve("/lookup", big.toStdString());
    server.start();
    const QUrl url = AppStoreSource::lookupURL(app(), Endpoints::mock(server.url("/")), german);
    EXPECT_EQ(runSync(AppStoreSource::appStore(app(), url, {}, german)).version, QStringLiteral("5.0"));
}
