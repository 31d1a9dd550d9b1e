#include "sources/BrewCatalogue.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

QByteArray excerpt() {
    QFile file(QStringLiteral(QUENLARK_SHARED_DIR "/real-feeds/homebrew_cask_api_excerpt_8_entries.json"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

BrewCatalogue parsed(const QByteArray& json, bool arm = true, int macOS = 15) {
    auto catalogue = BrewCatalogue::parse(json, arm, macOS);
    EXPECT_TRUE(catalogue);
    return catalogue.value_or(BrewCatalogue{});
}

QString token(const std::optional<Cask>& cask) {
    return cask ? cask->token : QStringLiteral("<none>");
}

} // namespace

TEST(BrewCatalogue, RealExcerptTables) {
    const BrewCatalogue catalogue = parsed(excerpt());
    // The two command-line casks install no application and name no bundle identifier.
    QStringList tokens = catalogue.byToken.keys();
    tokens.sort();
    EXPECT_EQ(tokens, (QStringList{"0-ad", "1clipboard", "1kc-razer", "1password@nightly", "3dgenceslicer",
                                   "4k-video-downloader+"}));

    const Cask clipboard = catalogue.byToken.value("1clipboard");
    EXPECT_EQ(clipboard.bundleIDs,
              (QStringList{"com.ngwin.1clipboard", "com.ngwin.1clipboardhelper", "com.ngwin.1clipboard"}));
    EXPECT_EQ(clipboard.zap.size(), 6);
    EXPECT_EQ(clipboard.sha256, QStringLiteral("no_check"));
    EXPECT_EQ(catalogue.byBundle.value("com.ngwin.1clipboard").size(), 1);

    const Cask nightly = catalogue.byToken.value("1password@nightly");
    EXPECT_EQ(nightly.version, QStringLiteral("latest"));
    EXPECT_EQ(nightly.bundleIDs,
              (QStringList{"2BUA8C4S2C.com.1password", "2BUA8C4S2C.com.1password.browser-helper",
                           "com.1password.1password-launcher", "com.1password.browser-support",
                           "2BUA8C4S2C.com.1password.browser-helper", "com.1password.1password-launcher",
                           "com.1password.browser-support"}));
    EXPECT_EQ(nightly.zap.size(), 9); // the five wildcard paths are left out

    EXPECT_EQ(catalogue.byToken.value("3dgenceslicer").bundleIDs, QStringList{"com.3dgence.slicer.3DGence Slicer"});
    EXPECT_EQ(catalogue.byToken.value("1kc-razer").bundleIDs,
              (QStringList{"com.electron.razer-macos.helper.Renderer", "com.electron.razer-macos"}));
    EXPECT_EQ(catalogue.byToken.value("0-ad").homepage, QStringLiteral("https://play0ad.com/"));
    EXPECT_TRUE(catalogue.byToken.value("0-ad").bundleIDs.isEmpty());
    // The app artifact's own file name and its target give one key.
    EXPECT_EQ(token(catalogue.byApp.value("0 a.d..app").value(0)), "0-ad");
    EXPECT_EQ(catalogue.byApp.value("0 a.d..app").size(), 1);
}

TEST(BrewCatalogue, RealExcerptVariationsFollowTheMac) {
    const QByteArray json = excerpt();
    const struct {
        bool arm;
        int macOS;
        const char* url;
    } cases[] = {
        {true, 15, "https://releases.wildfiregames.com/0ad-0.28.0-macos-aarch64.dmg"}, // no arm64_sequoia entry
        {false, 15, "https://releases.wildfiregames.com/0ad-0.28.0-macos-x86_64.dmg"},
        {false, 30, "https://releases.wildfiregames.com/0ad-0.28.0-macos-x86_64.dmg"}, // newest codename
        {false, 10, "https://releases.wildfiregames.com/0ad-0.28.0-macos-aarch64.dmg"}, // no codename at all
    };
    for (const auto& c : cases) {
        const Cask cask = parsed(json, c.arm, c.macOS).byToken.value("0-ad");
        EXPECT_EQ(cask.url, QUrl(c.url)) << c.arm << " " << c.macOS;
        EXPECT_EQ(cask.version, QStringLiteral("0.28.0"));
    }
    EXPECT_EQ(parsed(json, false, 15).byToken.value("0-ad").sha256,
              QStringLiteral("3d30cbafb293fb1178c08075ed8336d1dbfb1090d3702ada76092e85e9c4f076"));
}

TEST(BrewCatalogue, RealExcerptLookups) {
    const BrewCatalogue catalogue = parsed(excerpt());
    const struct {
        const char* bundleID;
        const char* fileName;
        const char* token;
    } cases[] = {
        {"com.wildfiregames.0ad", "0 A.D..app", "0-ad"},        // cask names no identifier
        {"COM.NGWIN.1CLIPBOARD", "1CLIPBOARD.APP", "1clipboard"}, // file name and mentions ignore case
        {"com.ngwin.1clipboard", "Renamed.app", "1clipboard"},    // by identifier
        {"COM.NGWIN.1CLIPBOARD", "Renamed.app", "<none>"},        // ... with its exact capitals only
        {"org.example.other", "1Clipboard.app", "<none>"},        // the name matches, the cask names others
        {"com.1password.1password", "1Password.app", "1password@nightly"}, // only in a zap path
        {"com.1password.op", "op.app", "<none>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(token(catalogue.cask(c.bundleID, c.fileName)), c.token) << c.bundleID << " " << c.fileName;
}

TEST(BrewCatalogue, HarvestsIdentifiersAndZapPaths) {
    const BrewCatalogue catalogue = parsed(R"([{"token":"t","artifacts":[
        {"uninstall":[{"quit":"com.example.quit","delete":["/Applications/Helper.app","/Applications/x.txt",
                       "/Library/Other.app"],"trash":"~/Library/Containers/com.example.fromuninstall"}]},
        {"zap":[{"trash":["~/Library/Preferences/com.example.app.plist","~/Library/Containers/com.example.app",
                          "~/Library/Preferences/ByHost/com.example.app.*.plist","~/Library/Preferences/name.plist",
                          "~/Library/Containers/com.a.b/Data/Library/Preferences/com.c.d.plist"],
                 "delete":["~/Library/Caches/com.example.app","/tmp/elsewhere","~/Library/Logs/*.log"],
                 "rmdir":"~/Documents/Example"}]}]}])");
    const Cask cask = catalogue.byToken.value("t");
    EXPECT_EQ(cask.bundleIDs, (QStringList{"com.example.quit", "com.example.fromuninstall", "com.example.app",
                                           "com.example.app", "com.a.b", "com.c.d"}));
    EXPECT_EQ(cask.zap, (QStringList{"~/Library/Preferences/com.example.app.plist",
                                     "~/Library/Containers/com.example.app", "~/Library/Preferences/name.plist",
                                     "~/Library/Containers/com.a.b/Data/Library/Preferences/com.c.d.plist",
                                     "~/Library/Caches/com.example.app"}));
    EXPECT_TRUE(cask.mentions.contains("~/documents/example"));
    EXPECT_TRUE(cask.mentions.contains("com.example.quit"));
    EXPECT_EQ(token(catalogue.byApp.value("helper.app").value(0)), "t");
    EXPECT_FALSE(catalogue.byApp.contains("other.app"));
}

TEST(BrewCatalogue, OddShapesSkipOnlyWhatIsOdd) {
    const BrewCatalogue catalogue = parsed(R"([{}, {"token":5,"artifacts":[{"app":["A.app"]}]},
        {"token":"noartifacts"}, {"token":"mixed","artifacts":[{"app":["M.app"]}, 7]},
        {"token":"ok","version":3,"url":"::bad::","artifacts":[{"app":["Ok.app",{"target":"Renamed.app"},{"x":1}]},
         {"pkg":[]},{"pkg":[4,"second.pkg"]},{"pkg":["third.pkg"]},{"zap":"not a list"}],
         "variations":{"arm64_sequoia":"not an object"}, "homepage":["x"]},
        {"token":"ok","artifacts":[{"app":["Later.app"]}]}])");
    ASSERT_EQ(catalogue.byToken.size(), 1);
    // The later cask with the same token replaces the earlier one in the token table only.
    EXPECT_TRUE(catalogue.byToken.value("ok").pkg == std::nullopt);
    const Cask first = catalogue.byApp.value("ok.app").value(0);
    EXPECT_EQ(first.version, QString());
    EXPECT_EQ(first.homepage, std::nullopt);
    // A pkg list that starts with a number does not settle it; the next one does.
    EXPECT_EQ(first.pkg, QStringLiteral("third.pkg"));
    EXPECT_EQ(token(catalogue.byApp.value("renamed.app").value(0)), "ok");
    EXPECT_EQ(token(catalogue.byApp.value("later.app").value(0)), "ok");

    for (const char* wrong : {"{}", "[1]", "[[]]", "\"text\"", "not json", "", "[{}, 2]"})
        EXPECT_FALSE(BrewCatalogue::parse(wrong, true, 15)) << wrong;
    EXPECT_TRUE(BrewCatalogue::parse("[]", true, 15));
}

TEST(BrewCatalogue, ScoringPrefersPlainTokensThatNameTheApp) {
    const struct {
        const char* json;
        const char* token;
    } cases[] = {
        {R"([{"token":"foo@beta","artifacts":[{"app":["Foo.app"]},{"zap":[{"quit":"com.foo"}]}]},
             {"token":"foo","artifacts":[{"app":["Foo.app"]},{"zap":[{"quit":"com.foo"}]}]}])", "foo"},
        {R"([{"token":"foo","artifacts":[{"app":["Foo.app"]}]},
             {"token":"foo@beta","artifacts":[{"app":["Foo.app"]},{"zap":[{"quit":"com.foo"}]}]}])", "foo"},
        {R"([{"token":"first","artifacts":[{"app":["Foo.app"]}]},
             {"token":"second","artifacts":[{"app":["Foo.app"]}]}])", "first"},
        // Named only inside a path: a candidate, but one that names the identifier itself wins.
        {R"([{"token":"mention","artifacts":[{"app":["Foo.app"]},{"zap":[{"quit":"com.other","trash":"~/x/com.foo"}]}]},
             {"token":"exact","artifacts":[{"app":["Foo.app"]},{"zap":[{"quit":"com.foo"}]}]}])", "exact"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(token(parsed(c.json).cask("com.foo", "foo.APP")), c.token) << c.json;
}
