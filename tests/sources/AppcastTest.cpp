#include "sources/Appcast.h"
#include "sources/AppcastParser.h"

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
