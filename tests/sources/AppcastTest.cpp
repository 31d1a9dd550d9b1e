#include "sources/Appcast.h"
#include "sources/AppcastParser.h"
#include "sources/Net.h"

#include "runtime/CheckError.h"

#include "LoopbackServer.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

QByteArray feed(const char* items) {
    return QByteArray(R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel>)") +
           items + "</channel></rss>";
}

QList<AppcastItem> itemsOf(const QByteArray& document) {
    AppcastParser parser;
    const auto error = parser.parse(document);
    EXPECT_FALSE(error) << error->toStdString();
    return parser.items;
}

} // namespace

TEST(AppcastParser, VersionsFromAttributesAndElements) {
    const auto items = itemsOf(feed(R"(
<item><enclosure url="a.zip" sparkle:version="10" sparkle:shortVersionString="1.0" length="5"/>
  <sparkle:version>11</sparkle:version><sparkle:shortVersionString>  </sparkle:shortVersionString></item>
<item><sparkle:version>20</sparkle:version>
  <enclosure url="b.zip" sparkle:version="99" sparkle:shortVersionString="2.0"/></item>
<item><enclosure url="first.zip" length="7" sparkle:edSignature="sig" sparkle:os="macos" sparkle:version="30"/>
  <enclosure url="second.zip" sparkle:version="31" sparkle:shortVersionString="3.0"/></item>)"));
    ASSERT_EQ(items.size(), 3);
    // The element ends later and wins; a blank element leaves the attribute.
    EXPECT_EQ(items[0].build, QStringLiteral("11"));
    EXPECT_EQ(items[0].short_, QStringLiteral("1.0"));
    // An attribute never replaces a version that is already there.
    EXPECT_EQ(items[1].build, QStringLiteral("20"));
    EXPECT_EQ(items[1].short_, QStringLiteral("2.0"));
    // A second enclosure replaces the file fields, absent ones included, but not the versions.
    EXPECT_EQ(items[2].enclosureURL, QStringLiteral("second.zip"));
    EXPECT_EQ(items[2].length, std::nullopt);
    EXPECT_EQ(items[2].edSignature, std::nullopt);
    EXPECT_EQ(items[2].os, std::nullopt);
    EXPECT_EQ(items[2].build, QStringLiteral("30"));
    EXPECT_EQ(items[2].short_, QStringLiteral("3.0"));
}

TEST(AppcastParser, DeltasUnprefixedNamesAndOpenItems) {
    const auto items = itemsOf(feed(R"(
<item><sparkle:deltas><enclosure url="delta.zip" sparkle:version="5" length="1"/>
  <sparkle:deltas><sparkle:version>6</sparkle:version></sparkle:deltas></sparkle:deltas>
  <enclosure url="full.zip" sparkle:version="7" length="100"/>
  <minimumSystemVersion>99.0</minimumSystemVersion><releaseNotesLink>n.html</releaseNotesLink>
  <description><![CDATA[<p>Hi</p>]]></description></item>
<item><sparkle:version>1</sparkle:version>
  <item><sparkle:version>2</sparkle:version></item></item>)"));
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].enclosureURL, QStringLiteral("full.zip"));
    EXPECT_EQ(items[0].build, QStringLiteral("7"));
    EXPECT_EQ(items[0].length, 100);
    EXPECT_EQ(items[0].minOS, std::nullopt);
    EXPECT_EQ(items[0].notesLink, std::nullopt);
    EXPECT_EQ(items[0].description, QStringLiteral("<p>Hi</p>"));
    // A nested item start drops the unfinished one; the outer end then adds nothing.
    EXPECT_EQ(items[1].build, QStringLiteral("2"));
}

TEST(AppcastParser, Lengths) {
    const struct {
        const char* text;
        std::optional<std::int64_t> value;
    } cases[] = {
        {"42", 42},
        {"+42", 42},
        {"-7", -7},
        {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
        {"9223372036854775808", std::nullopt},
        {"", std::nullopt},
        {"+", std::nullopt},
        {" 4", std::nullopt},
        {"12.5", std::nullopt},
        {"0x10", std::nullopt},
        {"\u0664\u0662", std::nullopt}, // Arabic-Indic digits
    };
    for (const auto& c : cases)
        EXPECT_EQ(AppcastParser::parseLength(QString::fromUtf8(c.text)), c.value) << c.text;
}

TEST(AppcastParser, MalformedDocumentsKeepNoItems) {
    const QByteArray documents[] = {
        feed("<item><sparkle:version>1</sparkle:version></item><item>"),  // open at the end
        feed("<item><sparkle:version>1</sparkle:version></item></oops>"), // mismatched tag
        "",
        "not xml at all",
        // An external entity is never fetched: the reference stays unresolved.
        R"(<?xml version="1.0"?><!DOCTYPE r [<!ENTITY x SYSTEM "file:///etc/passwd">]><rss><channel><item>)"
        R"(<description>&x;</description><sparkle:version>1</sparkle:version></item></channel></rss>)",
    };
    for (const auto& document : documents) {
        AppcastParser parser;
        const auto error = parser.parse(document);
        if (error) {
            EXPECT_FALSE(error->isEmpty());
            EXPECT_TRUE(parser.items.isEmpty());
        } else {
            ASSERT_EQ(parser.items.size(), 1);
            EXPECT_EQ(parser.items[0].description, std::nullopt);
        }
    }
}

TEST(AppcastParser, EntityExpansionIsBounded) {
    QByteArray bomb = R"(<?xml version="1.0"?><!DOCTYPE r [<!ENTITY a "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa">)";
    char previous = 'a';
    for (char name = 'b'; name <= 'k'; ++name) {
        bomb += QByteArray("<!ENTITY ") + name + " \"";
        for (int i = 0; i < 10; ++i)
            bomb += QByteArray("&") + previous + ";";
        bomb += "\">";
        previous = name;
    }
    bomb += "]><rss><channel><item><description>&k;</description></item></channel></rss>";
    AppcastParser parser;
    EXPECT_TRUE(parser.parse(bomb));
    EXPECT_TRUE(parser.items.isEmpty());
}

TEST(Appcast, PlainText) {
    const struct {
        const char* html;
        const char* text;
    } cases[] = {
        {"<p>Fixes</p><ul><li>One</li><li>Two &amp; three</li></ul>", "Fixes\n\u2022 One\n\u2022 Two & three"},
        {"&amp;lt;", "&lt;"},
        {"a<BR/>b<br >c</DIV>d</h3>e", "a\nb\nc\nd\ne"},
        {"<LI class=\"x\">x", "\u2022 x"},
        {"&nbsp;&lt;b&gt; &quot;q&quot; &#39;s&#39; &copy;", "<b> \"q\" 's' &copy;"},
        {"one\n \t\n\n\ntwo", "one\ntwo"},
        {"<p><img src=x></p>", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Appcast::plainText(QString::fromUtf8(c.html)), QString::fromUtf8(c.text)) << c.html;
}

namespace {

const QUrl feedURL(QStringLiteral("https://example.com/feeds/appcast.xml"));
constexpr SystemInfo::OSVersion sequoia{15, 6, 0};

QByteArray realFeed(const QString& name) {
    QFile file(QStringLiteral(QUENLARK_SHARED_DIR "/real-feeds/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

QString failureOf(const QByteArray& document, SystemInfo::OSVersion system = sequoia) {
    try {
        Appcast::release(document, feedURL, system);
    } catch (const CheckError& error) {
        return error.description();
    }
    return QStringLiteral("<no error>");
}

// The enclosure URL of the chosen item tells which one won.
QString winner(const char* items, SystemInfo::OSVersion system = sequoia) {
    const Release release = Appcast::release(feed(items), feedURL, system);
    return release.download ? release.download->url.fileName() : QStringLiteral("<no download>");
}

using Text = std::optional<QString>;

} // namespace

TEST(Appcast, RealFeedsGiveTheNewestReleaseForThisMac) {
    const struct {
        const char* file;
        SystemInfo::OSVersion system;
        Text version, build, notesURL;
        const char* download;
        std::optional<std::int64_t> size;
        Text signaturePrefix;
    } cases[] = {
        {"appcast_maccy.xml", sequoia, "2.7.1", "62", {},
         "https://github.com/p0deje/Maccy/releases/download/2.7.1/Maccy.app.zip", 0, {}},
        {"appcast_amethyst_2014_ascending.xml", sequoia, "0.9.3", "14",
         "http://ianyh.com/amethyst/versions/Amethyst-0.9.3.html",
         "http://ianyh.com/amethyst/versions/Amethyst-0.9.3.zip", 1713235, {}},
        {"appcast_vimr_child_elements.xml", sequoia, "v0.64.0", "20260615.163555", {},
         "https://github.com/qvacua/vimr/releases/download/v0.64.0-20260615.163555/VimR-v0.64.0.tar.bz2", 19207547,
         "zoeJCSzIyPFADXM"},
        {"appcast_netnewswire_release.xml", sequoia, "7.1.3", "7207", {},
         "https://github.com/Ranchero-Software/NetNewsWire/releases/download/mac-7.1.3/NetNewsWire7.1.3.zip",
         9760806, {}},
        {"appcast_netnewswire_release.xml", {14, 7, 1}, "6.2.1", "6202", {},
         "https://github.com/Ranchero-Software/NetNewsWire/releases/download/mac-6.2.1/NetNewsWire6.2.1.zip",
         10242980, {}},
        {"appcast_handbrake_arm64.xml", sequoia, "1.5.1", "2022011000", "https://handbrake.fr/appcast/stable.html",
         "https://handbrake.fr/rotation.php?file=HandBrake-1.5.1.dmg&update=true", 37655632, {}},
        {"appcast_hammerspoon.xml", sequoia, "1.1.0", "6933", "https://www.hammerspoon.org/releasenotes/1.1.0.html",
         "https://github.com/Hammerspoon/hammerspoon/releases/download/1.1.0/Hammerspoon-1.1.0.zip", 9879298, {}},
        {"appcast_hammerspoon.xml", {12, 7, 0}, "1.0.0", "6864", "https://www.hammerspoon.org/releasenotes/1.0.0.html",
         "https://github.com/Hammerspoon/hammerspoon/releases/download/1.0.0/Hammerspoon-1.0.0.zip", 9232752, {}},
        {"appcast_iterm2_beta.xml", sequoia, {}, "3.7.0beta11", "https://iterm2.com/appcasts/testing_changes3.txt",
         "https://iterm2.com/downloads/beta/iTerm2-3_7_0beta11.zip", 58718981, "eeqh3zkbiRFq5DBVG2md"},
        {"appcast_lunar_channels_deltas_phased.xml", sequoia, "6.10.4", "6.10.4",
         "https://files.lunar.fyi/ReleaseNotes/Lunar-6.10.4.html", "https://files.lunar.fyi/releases/Lunar-6.10.4.dmg",
         16750784, "Do7f7oy0s5xoCHI0wxBZ"},
        {"appcast_openemu_critical_tags.xml", sequoia, {}, "2.3", "https://openemu.org/rnotes/2.3.html",
         "https://github.com/OpenEmu/OpenEmu/releases/download/v2.3/OpenEmu_2.3.zip", 34462998, {}},
        {"appcast_hexfiend_no_pubdate.xml", sequoia, "2.18.1", "1728795549",
         "https://hexfiend.github.io/HexFiend/ReleaseNotes.html",
         "https://github.com/HexFiend/HexFiend/releases/download/v2.18.1/Hex_Fiend_2.18.1.dmg", {}, {}},
        {"appcast_karabiner_os_fallbacks.xml", sequoia, {}, "16.1.0", {},
         "https://github.com/pqrs-org/Karabiner-Elements/releases/download/v16.1.0/Karabiner-Elements-16.1.0.dmg",
         48231123, "kw3CdM0En1xd1NLfURHQ"},
        {"appcast_karabiner_os_fallbacks.xml", {12, 7, 6}, {}, "14.13.0", {},
         "https://github.com/pqrs-org/Karabiner-Elements/releases/download/v14.13.0/Karabiner-Elements-14.13.0.dmg",
         36555670, "pX23no97Xde4flpmpApY"},
        {"appcast_karabiner_os_fallbacks.xml", {10, 15, 7}, {}, "13.7.0", {},
         "https://github.com/pqrs-org/Karabiner-Elements/releases/download/v13.7.0/Karabiner-Elements-13.7.0.dmg",
         17025407, "1vicIKlO4OfhmYSNPUWX"},
        {"appcast_mos_beta_channel.xml", sequoia, "4.2.1", "20260531.1", {},
         "https://github.com/Caldis/Mos/releases/download/4.2.1/Mos.Versions.4.2.1-20260531.1.zip", 12127893,
         "K31Y9XZUvJ40rwnx8KP9"},
        {"appcast_clashx_duplicates.xml", sequoia, "1.137.0", "1.137.0", {},
         "https://github.com/ClashX-Pro/ClashX/releases/download/1.137.0/ClashX.dmg", 46642804, "+2gwcUgYBnmRw5xBbFmz"},
        {"appcast_pester_diskimage_atom.xml", sequoia, "1.1b24", "71",
         "https://sabi.net/nriley/software/Pester/release-notes.html",
         "https://sabi.net/nriley/software/Pester-1.1b24.dmg", 2851771, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " on " + c.system.text().toStdString());
        const Release release = Appcast::release(realFeed(QString::fromUtf8(c.file)), feedURL, c.system);
        EXPECT_EQ(release.kind, SourceKind::sparkle);
        EXPECT_EQ(release.version, c.version);
        EXPECT_EQ(release.build, c.build);
        EXPECT_EQ(release.notesURL, c.notesURL ? std::optional<QUrl>(QUrl(*c.notesURL)) : std::nullopt);
        ASSERT_TRUE(release.download);
        EXPECT_EQ(release.download->url, QUrl(QString::fromUtf8(c.download)));
        EXPECT_EQ(release.download->size, c.size);
        EXPECT_EQ(release.download->edSignature.has_value(), c.signaturePrefix.has_value());
        if (c.signaturePrefix) {
            EXPECT_TRUE(release.download->edSignature->startsWith(*c.signaturePrefix));
        }
        EXPECT_EQ(release.download->sha256, std::nullopt);
        EXPECT_EQ(release.ref, std::nullopt);
    }
    EXPECT_EQ(failureOf(realFeed("appcast_karabiner_os_fallbacks.xml"), {10, 11, 6}),
              QStringLiteral("No release in the appcast runs on macOS 10.11.6"));
}

TEST(Appcast, RealFeedNotes) {
    const Release mos = Appcast::release(realFeed("appcast_mos_beta_channel.xml"), feedURL, sequoia);
    EXPECT_EQ(mos.notes, QStringLiteral("修复\n• 修复由于应用热键的输入检查导致的部分情况下的性能问题。\nFixes\n"
                                        "• Fixed a performance issue in some cases caused by input checks for app hotkeys."));
    const Release vimr = Appcast::release(realFeed("appcast_vimr_child_elements.xml"), feedURL, sequoia);
    EXPECT_EQ(vimr.notes, QStringLiteral("• Neovim 0.12.3 😀"));
    const Release maccy = Appcast::release(realFeed("appcast_maccy.xml"), feedURL, sequoia);
    ASSERT_TRUE(maccy.notes);
    EXPECT_TRUE(maccy.notes->startsWith(QStringLiteral("• Updated app icon for Liquid Glass.\n• Increased the minimum")));
    EXPECT_EQ(maccy.notes->count(QStringLiteral("\n• ")), 11);
    EXPECT_EQ(Appcast::release(realFeed("appcast_amethyst_2014_ascending.xml"), feedURL, sequoia).notes, std::nullopt);
}

TEST(Appcast, ItemFilters) {
    constexpr SystemInfo::OSVersion sonoma{14, 5, 0};
    const struct {
        const char* item;
        bool kept;
    } cases[] = {
        {"<sparkle:version>2</sparkle:version>", true},
        {"<sparkle:version>2</sparkle:version><sparkle:channel>beta</sparkle:channel>", false},
        {"<sparkle:version>2</sparkle:version><sparkle:channel>stable</sparkle:channel>", false},
        {"<enclosure url=\"x\" sparkle:os=\"windows\" sparkle:version=\"2\"/>", false},
        {"<enclosure url=\"x\" sparkle:os=\"macOS\" sparkle:version=\"2\"/>", false},
        {"<enclosure url=\"x\" sparkle:os=\"macos\" sparkle:version=\"2\"/>", true},
        {"<enclosure url=\"x\"/>", false}, // neither version
        {"<sparkle:shortVersionString>1.0</sparkle:shortVersionString>", true},
        {"<sparkle:version>2</sparkle:version><sparkle:minimumSystemVersion>15.0</sparkle:minimumSystemVersion>", false},
        {"<sparkle:version>2</sparkle:version><sparkle:minimumSystemVersion>14.5</sparkle:minimumSystemVersion>", true},
        {"<sparkle:version>2</sparkle:version><sparkle:maximumSystemVersion>14</sparkle:maximumSystemVersion>", false},
        {"<sparkle:version>2</sparkle:version><sparkle:maximumSystemVersion>14.5</sparkle:maximumSystemVersion>", true},
        {"<sparkle:version>2</sparkle:version><sparkle:maximumSystemVersion>soon</sparkle:maximumSystemVersion>", true},
        {"<sparkle:version>2</sparkle:version><sparkle:minimumSystemVersion>x</sparkle:minimumSystemVersion>", true},
    };
    for (const auto& c : cases) {
        const QByteArray document = feed((std::string("<item>") + c.item + "</item>").c_str());
        EXPECT_EQ(failureOf(document, sonoma),
                  c.kept ? QStringLiteral("<no error>") : QStringLiteral("No release in the appcast runs on macOS 14.5.0"))
            << c.item;
    }
    EXPECT_EQ(failureOf(feed("")), QStringLiteral("The appcast lists no releases"));
    EXPECT_EQ(failureOf(feed("<item><sparkle:version>1</sparkle:version>")).left(29),
              QStringLiteral("The appcast isn't valid XML ("));
    EXPECT_TRUE(failureOf("<rss><channel>").endsWith(QLatin1Char(')')));
}

TEST(Appcast, NewestItem) {
    const struct {
        const char* items;
        const char* winner;
    } cases[] = {
        {R"(<item><enclosure url="first" sparkle:version="200" sparkle:shortVersionString="2.0"/></item>
            <item><enclosure url="second" sparkle:version="200" sparkle:shortVersionString="2.0"/></item>)", "first"},
        {R"(<item><enclosure url="first" sparkle:version="300"/></item>
            <item><enclosure url="second" sparkle:version="2000"/></item>)", "second"},
        {R"(<item><enclosure url="first" sparkle:shortVersionString="1.9"/></item>
            <item><enclosure url="second" sparkle:shortVersionString="1.10"/></item>)", "second"},
        {R"(<item><enclosure url="first" sparkle:version="100" sparkle:shortVersionString="2.0"/></item>
            <item><enclosure url="second" sparkle:version="abc" sparkle:shortVersionString="3.0"/></item>)", "second"},
        {R"(<item><enclosure url="first" sparkle:version="500" sparkle:shortVersionString="1.0"/></item>
            <item><enclosure url="second" sparkle:version="400" sparkle:shortVersionString="9.0"/></item>)", "first"},
        // Equal builds leave it to the display versions; a missing one counts as 0.
        {R"(<item><enclosure url="first" sparkle:version="7"/></item>
            <item><enclosure url="second" sparkle:version="7.0" sparkle:shortVersionString="0.1"/></item>)", "second"},
        {R"(<item><enclosure url="first" sparkle:version="1" sparkle:shortVersionString="2.0b3"/></item>
            <item><enclosure url="second" sparkle:version="x" sparkle:shortVersionString="2.0"/></item>
            <item><enclosure url="third" sparkle:version="y" sparkle:shortVersionString="2.0-beta"/></item>)", "second"},
        // A build too large for any integer does not parse: the display versions decide.
        {R"(<item><enclosure url="first" sparkle:version="99999999999999999999999" sparkle:shortVersionString="5"/></item>
            <item><enclosure url="second" sparkle:version="2" sparkle:shortVersionString="6"/></item>)", "second"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(winner(c.items), QString::fromUtf8(c.winner)) << c.items;
}

TEST(Appcast, LinksResolveAgainstTheFeed) {
    const Release release = Appcast::release(feed(R"(<item><sparkle:version>1</sparkle:version>
        <sparkle:releaseNotesLink>notes/1.html</sparkle:releaseNotesLink>
        <description><![CDATA[<img src="x">]]></description>
        <enclosure url="App 1.zip" length="12" sparkle:edSignature="sig"/></item>)"),
                                             feedURL, sequoia);
    EXPECT_EQ(release.notesURL, QUrl("https://example.com/feeds/notes/1.html"));
    EXPECT_EQ(release.download->url, QUrl("https://example.com/feeds/App%201.zip"));
    EXPECT_EQ(release.download->size, 12);
    EXPECT_EQ(release.download->edSignature, QStringLiteral("sig"));
    EXPECT_EQ(release.notes, QString()); // present, though empty

    const Release other = Appcast::release(feed(R"(<item><sparkle:version>1</sparkle:version>
        <sparkle:releaseNotesLink>file:///etc/passwd</sparkle:releaseNotesLink>
        <enclosure url="ftp://example.com/App.zip"/></item>)"),
                                           feedURL, sequoia);
    EXPECT_EQ(other.notesURL, std::nullopt);
    EXPECT_EQ(other.download->url, QUrl("ftp://example.com/App.zip")); // any scheme is kept here
    EXPECT_EQ(other.notes, std::nullopt);
    EXPECT_EQ(Appcast::release(feed("<item><sparkle:version>1</sparkle:version></item>"), feedURL, sequoia).download,
              std::nullopt);
}

TEST(Appcast, FetchesAndParsesLargeFeedsOffTheGuiThread) {
    LoopbackServer server;
    const QByteArray lunar = realFeed("appcast_lunar_channels_deltas_phased.xml");
    ASSERT_GT(lunar.size(), Appcast::inlineParseLimit);
    server.serve("/lunar.xml", lunar.toStdString(), 200, "application/xml");
    server.serve("/missing.xml", "", 404);
    server.start();
    SystemInfo::overrideMacOSVersion(sequoia);
    const Release release = runSync(Appcast::sparkle(server.url("/lunar.xml")));
    EXPECT_EQ(release.version, QStringLiteral("6.10.4"));
    try {
        runSync(Appcast::sparkle(server.url("/missing.xml")));
        ADD_FAILURE() << "no error";
    } catch (const CheckError& error) {
        EXPECT_EQ(error.description(), QStringLiteral("The server answered HTTP 404"));
    }
    SystemInfo::overrideMacOSVersion(std::nullopt);
    Net::resetForTest(); // closes the connection, so the server stops at once
}
