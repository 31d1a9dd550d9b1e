#include "sources/Appcast.h"
#include "sources/AppcastParser.h"
#include "sources/Decimal.h"
#include "sources/Net.h"

#include "runtime/CheckError.h"

#include "LoopbackServer.h"
#include "RunSync.h"
#include "TestData.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

const QUrl feedURL(QStringLiteral("https://example.com/feeds/appcast.xml"));
constexpr SystemInfo::OSVersion sequoia{15, 6, 0};
using Text = std::optional<QString>;

QByteArray feed(const std::string& items) {
    return QByteArray(R"(<?xml version="1.0"?><rss xmlns:sparkle="http://x/sparkle"><channel>)") + items.c_str() +
           "</channel></rss>";
}

QString failureOf(const QByteArray& document, SystemInfo::OSVersion system = sequoia) {
    try {
        Appcast::release(document, feedURL, system);
    } catch (const CheckError& error) {
        return error.description();
    }
    return QStringLiteral("<no error>");
}

} // namespace

TEST(AppcastParser, EventRules) {
    AppcastParser parser;
    ASSERT_FALSE(parser.parse(feed(R"(
<item><enclosure url="a" sparkle:version="10" sparkle:shortVersionString="1.0" length="+5"/>
  <sparkle:version>11</sparkle:version><sparkle:shortVersionString> </sparkle:shortVersionString></item>
<item><sparkle:version>20</sparkle:version><enclosure url="b" sparkle:version="99" sparkle:os="macos"/></item>
<item><enclosure url="c" length="7" sparkle:edSignature="s" sparkle:version="30"/><enclosure url="d"/></item>
<item><sparkle:deltas><enclosure url="delta" sparkle:version="5"/><sparkle:deltas><sparkle:version>6</sparkle:version>
  </sparkle:deltas></sparkle:deltas><enclosure url="full" length="-0012"/><minimumSystemVersion>99</minimumSystemVersion>
  <sparkle:channel>beta</sparkle:channel><description><![CDATA[<p>Hi</p>]]></description></item>
<item><sparkle:version>1</sparkle:version><item><sparkle:version>2</sparkle:version></item></item>)")));
    ASSERT_EQ(parser.items.size(), 5);
    // A later element overwrites the attribute unless blank; an attribute never replaces a
    // version; a second enclosure replaces the file fields, absent ones included.
    EXPECT_EQ(parser.items[0], (AppcastItem{"1.0", "11", {}, {}, {}, {}, {}, {}, "a", {}, 5}));
    EXPECT_EQ(parser.items[1], (AppcastItem{{}, "20", {}, "macos", {}, {}, {}, {}, "b", {}, {}}));
    EXPECT_EQ(parser.items[2], (AppcastItem{{}, "30", {}, {}, {}, {}, {}, {}, "d", {}, {}}));
    // Deltas are ignored, unprefixed names too.
    EXPECT_EQ(parser.items[3], (AppcastItem{{}, {}, "beta", {}, {}, {}, "<p>Hi</p>", {}, "full", {}, -12}));
    // A nested item start drops the unfinished one; the outer end then adds nothing.
    EXPECT_EQ(parser.items[4].build, QStringLiteral("2"));
}

TEST(AppcastParser, BadInput) {
    const std::pair<const char*, std::optional<std::int64_t>> lengths[] = {{"9223372036854775807", INT64_MAX},
                                                                           {"-9223372036854775808", INT64_MIN},
                                                                           {"9223372036854775808", {}},
                                                                           {"", {}},
                                                                           {"+", {}},
                                                                           {" 4", {}},
                                                                           {"12.5", {}},
                                                                           {"\u0664\u0662", {}}};
    for (const auto& [text, value] : lengths)
        EXPECT_EQ(Decimal::parse(QString::fromUtf8(text)), value) << text;

    QByteArray bomb = R"(<?xml version="1.0"?><!DOCTYPE r [<!ENTITY a "aaaaaaaaaaaaaaaaaaaaaaaa">)";
    for (char name = 'b'; name <= 'k'; ++name) // each entity holds ten of the one before
        bomb += QByteArray("<!ENTITY ") + name + " \"" + (QByteArray("&") + char(name - 1) + ';').repeated(10) + "\">";
    bomb += "]><rss><channel><item><description>&k;</description></item></channel></rss>";
    const QByteArray documents[] = {
        feed("<item><sparkle:version>1</sparkle:version></item><item>"), // an item left open
        feed("<item><sparkle:version>1</sparkle:version></item></oops>"), "", "not xml", bomb};
    for (const auto& document : documents) {
        AppcastParser parser;
        EXPECT_TRUE(parser.parse(document)) << document.left(60).toStdString();
        EXPECT_TRUE(parser.items.isEmpty());
    }
    // An external entity is never fetched: its reference stays unresolved and adds no text.
    AppcastParser parser;
    parser.parse(R"(<?xml version="1.0"?><!DOCTYPE r [<!ENTITY x SYSTEM "file:///etc/passwd">]><rss><item>)"
                 R"(<description>&x;</description><sparkle:version>1</sparkle:version></item></rss>)");
    EXPECT_TRUE(parser.items.isEmpty() || !parser.items[0].description);
}

TEST(Appcast, PlainText) {
    const std::pair<const char*, const char*> cases[] = {
        {"<p>Fixes</p><ul><li>One</li><li>Two &amp; three</li></ul>", "Fixes\n\u2022 One\n\u2022 Two & three"},
        {"&amp;lt;", "&lt;"},
        {"a<BR/>b<br >c</DIV>d</h3>e", "a\nb\nc\nd\ne"},
        {"<LI class=\"x\">x", "\u2022 x"},
        {"&nbsp;&lt;b&gt; &quot;q&quot; &#39;s&#39; &copy;", "<b> \"q\" 's' &copy;"},
        {"one\n \t\n\n\ntwo", "one\ntwo"},
        {"<p><img src=x></p>", ""},
    };
    for (const auto& [html, text] : cases)
        EXPECT_EQ(Appcast::plainText(QString::fromUtf8(html)), QString::fromUtf8(text)) << html;
}

TEST(Appcast, RealFeedsGiveTheNewestReleaseForThisMac) {
    const struct {
        const char* file;
        SystemInfo::OSVersion system;
        Text version, build, notesURL;
        const char* download;
        std::optional<std::int64_t> size;
        bool signed_;
    } cases[] = {
        {"maccy.xml",
         sequoia,
         "2.7.1",
         "62",
         {},
         "https://github.com/p0deje/Maccy/releases/download/2.7.1/Maccy.app.zip",
         0,
         false},
        {"amethyst_2014_ascending.xml", sequoia, "0.9.3", "14",
         "http://ianyh.com/amethyst/versions/Amethyst-0.9.3.html",
         "http://ianyh.com/amethyst/versions/Amethyst-0.9.3.zip", 1713235, false},
        {"vimr_child_elements.xml",
         sequoia,
         "v0.64.0",
         "20260615.163555",
         {},
         "https://github.com/qvacua/vimr/releases/download/v0.64.0-20260615.163555/VimR-v0.64.0.tar.bz2",
         19207547,
         true},
        {"netnewswire_release.xml",
         sequoia,
         "7.1.3",
         "7207",
         {},
         "https://github.com/Ranchero-Software/NetNewsWire/releases/download/mac-7.1.3/NetNewsWire7.1.3.zip",
         9760806,
         false},
        {"netnewswire_release.xml",
         {14, 7, 1},
         "6.2.1",
         "6202",
         {},
         "https://github.com/Ranchero-Software/NetNewsWire/releases/download/mac-6.2.1/NetNewsWire6.2.1.zip",
         10242980,
         false},
        {"handbrake_arm64.xml", sequoia, "1.5.1", "2022011000", "https://handbrake.fr/appcast/stable.html",
         "https://handbrake.fr/rotation.php?file=HandBrake-1.5.1.dmg&update=true", 37655632, false},
        {"hammerspoon.xml", sequoia, "1.1.0", "6933", "https://www.hammerspoon.org/releasenotes/1.1.0.html",
         "https://github.com/Hammerspoon/hammerspoon/releases/download/1.1.0/Hammerspoon-1.1.0.zip", 9879298, false},
        {"hammerspoon.xml",
         {12, 7, 0},
         "1.0.0",
         "6864",
         "https://www.hammerspoon.org/releasenotes/1.0.0.html",
         "https://github.com/Hammerspoon/hammerspoon/releases/download/1.0.0/Hammerspoon-1.0.0.zip",
         9232752,
         false},
        {"iterm2_beta.xml",
         sequoia,
         {},
         "3.7.0beta11",
         "https://iterm2.com/appcasts/testing_changes3.txt",
         "https://iterm2.com/downloads/beta/iTerm2-3_7_0beta11.zip",
         58718981,
         true},
        {"lunar_channels_deltas_phased.xml", sequoia, "6.10.4", "6.10.4",
         "https://files.lunar.fyi/ReleaseNotes/Lunar-6.10.4.html", "https://files.lunar.fyi/releases/Lunar-6.10.4.dmg",
         16750784, true},
        {"openemu_critical_tags.xml",
         sequoia,
         {},
         "2.3",
         "https://openemu.org/rnotes/2.3.html",
         "https://github.com/OpenEmu/OpenEmu/releases/download/v2.3/OpenEmu_2.3.zip",
         34462998,
         false},
        {"hexfiend_no_pubdate.xml",
         sequoia,
         "2.18.1",
         "1728795549",
         "https://hexfiend.github.io/HexFiend/ReleaseNotes.html",
         "https://github.com/HexFiend/HexFiend/releases/download/v2.18.1/Hex_Fiend_2.18.1.dmg",
         {},
         false},
        {"karabiner_os_fallbacks.xml",
         sequoia,
         {},
         "16.1.0",
         {},
         "https://github.com/pqrs-org/Karabiner-Elements/releases/download/v16.1.0/Karabiner-Elements-16.1.0.dmg",
         48231123,
         true},
        {"karabiner_os_fallbacks.xml",
         {12, 7, 6},
         {},
         "14.13.0",
         {},
         "https://github.com/pqrs-org/Karabiner-Elements/releases/download/v14.13.0/Karabiner-Elements-14.13.0.dmg",
         36555670,
         true},
        {"karabiner_os_fallbacks.xml",
         {10, 15, 7},
         {},
         "13.7.0",
         {},
         "https://github.com/pqrs-org/Karabiner-Elements/releases/download/v13.7.0/Karabiner-Elements-13.7.0.dmg",
         17025407,
         true},
        {"mos_beta_channel.xml",
         sequoia,
         "4.2.1",
         "20260531.1",
         {},
         "https://github.com/Caldis/Mos/releases/download/4.2.1/Mos.Versions.4.2.1-20260531.1.zip",
         12127893,
         true},
        {"clashx_duplicates.xml",
         sequoia,
         "1.137.0",
         "1.137.0",
         {},
         "https://github.com/ClashX-Pro/ClashX/releases/download/1.137.0/ClashX.dmg",
         46642804,
         true},
        {"pester_diskimage_atom.xml", sequoia, "1.1b24", "71",
         "https://sabi.net/nriley/software/Pester/release-notes.html",
         "https://sabi.net/nriley/software/Pester-1.1b24.dmg", 2851771, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " on " + c.system.text().toStdString());
        const Release release =
            Appcast::release(realFeed((std::string("appcast_") + c.file).c_str()), feedURL, c.system);
        EXPECT_EQ(release.kind, SourceKind::sparkle);
        EXPECT_EQ(release.version, c.version);
        EXPECT_EQ(release.build, c.build);
        EXPECT_EQ(release.notesURL, c.notesURL ? std::optional<QUrl>(QUrl(*c.notesURL)) : std::nullopt);
        ASSERT_TRUE(release.download);
        EXPECT_EQ(release.download->url, QUrl(QString::fromUtf8(c.download)));
        EXPECT_EQ(release.download->size, c.size);
        EXPECT_EQ(release.download->edSignature.has_value(), c.signed_);
    }
    EXPECT_EQ(failureOf(realFeed("appcast_karabiner_os_fallbacks.xml"), {10, 11, 6}),
              QStringLiteral("No release in the appcast runs on macOS 10.11.6"));
    const Release mos = Appcast::release(realFeed("appcast_mos_beta_channel.xml"), feedURL, sequoia);
    EXPECT_EQ(mos.notes,
              QStringLiteral("修复\n• 修复由于应用热键的输入检查导致的部分情况下的性能问题。\nFixes\n"
                             "• Fixed a performance issue in some cases caused by input checks for app hotkeys."));
    EXPECT_EQ(Appcast::release(realFeed("appcast_amethyst_2014_ascending.xml"), feedURL, sequoia).notes, std::nullopt);
}

TEST(Appcast, ItemFilters) {
    const std::pair<std::string, bool> cases[] = {
        {"<sparkle:version>2</sparkle:version>", true},
        {"<sparkle:version>2</sparkle:version><sparkle:channel>stable</sparkle:channel>", false},
        {R"(<enclosure url="x" sparkle:os="windows" sparkle:version="2"/>)", false},
        {R"(<enclosure url="x" sparkle:os="macOS" sparkle:version="2"/>)", false},
        {R"(<enclosure url="x"/>)", false}, // no version at all
        {"<sparkle:shortVersionString>1.0</sparkle:shortVersionString>", true},
        {"<sparkle:version>2</sparkle:version><sparkle:minimumSystemVersion>15.0</sparkle:minimumSystemVersion>",
         false},
        {"<sparkle:version>2</sparkle:version><sparkle:minimumSystemVersion>14.5</sparkle:minimumSystemVersion>", true},
        {"<sparkle:version>2</sparkle:version><sparkle:maximumSystemVersion>14</sparkle:maximumSystemVersion>", false},
        {"<sparkle:version>2</sparkle:version><sparkle:maximumSystemVersion>14.5</sparkle:maximumSystemVersion>", true},
        {"<sparkle:version>2</sparkle:version><sparkle:maximumSystemVersion>soon</sparkle:maximumSystemVersion>", true},
    };
    for (const auto& [item, kept] : cases) {
        EXPECT_EQ(failureOf(feed("<item>" + item + "</item>"), {14, 5, 0}),
                  kept ? QStringLiteral("<no error>")
                       : QStringLiteral("No release in the appcast runs on macOS 14.5.0"))
            << item;
    }
    EXPECT_EQ(failureOf(feed("")), QStringLiteral("The appcast lists no releases"));
    const QString invalid = failureOf(feed("<item><sparkle:version>1</sparkle:version>"));
    EXPECT_TRUE(invalid.startsWith(QStringLiteral("The appcast isn't valid XML (")) && invalid.endsWith(')'))
        << invalid.toStdString();
}

TEST(Appcast, NewestItem) {
    const std::pair<std::string, const char*> cases[] = {
        {R"(first" sparkle:version="200" sparkle:shortVersionString="2.0)", "first"},  // equal: the first stays
        {R"(first" sparkle:version="300)", "second"},                                  // 300 < 2000
        {R"(first" sparkle:shortVersionString="1.9)", "second"},                       // 1.9 < 1.10
        {R"(first" sparkle:version="100" sparkle:shortVersionString="2.0)", "second"}, // letters: shorts decide
        {R"(first" sparkle:version="500" sparkle:shortVersionString="1.0)", "first"},  // builds decide first
        {R"(first" sparkle:version="7)", "second"},                                    // 7 = 7.0: missing short is 0
        {R"(first" sparkle:version="99999999999999999999999" sparkle:shortVersionString="5)", "second"},
    };
    const char* seconds[] = {
        R"(second" sparkle:version="200" sparkle:shortVersionString="2.0)",
        R"(second" sparkle:version="2000)",
        R"(second" sparkle:shortVersionString="1.10)",
        R"(second" sparkle:version="abc" sparkle:shortVersionString="3.0)",
        R"(second" sparkle:version="400" sparkle:shortVersionString="9.0)",
        R"(second" sparkle:version="7.0" sparkle:shortVersionString="0.1)",
        R"(second" sparkle:version="2" sparkle:shortVersionString="6)",
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto document = feed("<item><enclosure url=\"" + cases[i].first + "\"/></item><item><enclosure url=\"" +
                                   seconds[i] + "\"/></item>");
        EXPECT_EQ(Appcast::release(document, feedURL, sequoia).download->url.fileName(), cases[i].second) << i;
    }
}

TEST(Appcast, LinksResolveAgainstTheFeed) {
    const Release release = Appcast::release(feed(R"(<item><sparkle:version>1</sparkle:version>
        <sparkle:releaseNotesLink>notes/1.html</sparkle:releaseNotesLink><description>&lt;img&gt;</description>
        <enclosure url="App 1.zip" length="12" sparkle:edSignature="sig"/></item>)"),
                                             feedURL, sequoia);
    EXPECT_EQ(release.notesURL, QUrl("https://example.com/feeds/notes/1.html"));
    EXPECT_EQ(release.download->url, QUrl("https://example.com/feeds/App%201.zip"));
    EXPECT_EQ(release.download->edSignature, QStringLiteral("sig"));
    EXPECT_EQ(release.notes, QString()); // present, though empty

    const Release other = Appcast::release(feed(R"(<item><sparkle:version>1</sparkle:version>
        <sparkle:releaseNotesLink>file:///etc/passwd</sparkle:releaseNotesLink>
        <enclosure url="ftp://example.com/App.zip"/></item>)"),
                                           feedURL, sequoia);
    EXPECT_EQ(other.notesURL, std::nullopt);
    EXPECT_EQ(other.download->url, QUrl("ftp://example.com/App.zip")); // any scheme is kept here
}

TEST(Appcast, FetchesAndParsesLargeFeedsOffTheGuiThread) {
    LoopbackServer server;
    const QByteArray lunar = realFeed("appcast_lunar_channels_deltas_phased.xml");
    ASSERT_GT(lunar.size(), Appcast::inlineParseLimit);
    server.serve("/lunar.xml", lunar.toStdString(), 200, "application/xml");
    server.start();
    SystemInfo::overrideMacOSVersion(sequoia);
    EXPECT_EQ(runSync(Appcast::sparkle(server.url("/lunar.xml"))).version, QStringLiteral("6.10.4"));
    SystemInfo::overrideMacOSVersion(std::nullopt);
    Net::resetForTest(); // closes the connection, so the server stops at once
}
