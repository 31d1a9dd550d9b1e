#include "platform/system/PlainPlist.h"
#include "platform/system/PropertyList.h"

#include "TestData.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

const QByteArray prolog = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                          "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n";

QByteArray plist(const QByteArray& body) { return prolog + "<plist version=\"1.0\">\n" + body + "\n</plist>\n"; }

} // namespace

// Plain documents are read directly; anything else is left to the reader. Either way the
// document gives what the reader alone gives.
TEST(PlainPlist, ReadsPlainDocumentsAndLeavesTheRestToTheReader) {
    const struct {
        const char* what;
        QByteArray xml;
        bool plain;
    } cases[] = {
        {"every plain kind",
         plist("<dict>\n\t<key>s</key><string> two\n lines\t</string>\n\t<key>i</key><integer>-42</integer>"
               "<key>z</key><integer>0</integer><key>big</key><integer>999999999999999999</integer>"
               "<key>t</key><true/><key>f</key><false /><key>a</key><array><string>x</string><dict/></array>"
               "<key>e</key><string/><key>n</key><array/><key>u</key><string>Caf\xC3\xA9 \xE2\x80\x94 >"
               "</string><key></key><string></string></dict>"),
         true},
        {"no prolog, a scalar root", "<plist><string>x</string></plist>", true},
        {"system document type",
         "<?xml version=\"1.0\"?><!DOCTYPE plist SYSTEM \"file://localhost/PropertyList.dtd\"><plist><array/></plist>",
         true},
        {"entity", plist("<dict><key>k</key><string>a &amp; b</string></dict>"), false},
        {"comment", plist("<dict><!-- c --><key>k</key><string>v</string></dict>"), false},
        {"character data", plist("<array><string><![CDATA[<x>]]></string></array>"), false},
        {"real", plist("<array><real>1.5</real></array>"), false},
        {"data", plist("<array><data>AAEC</data></array>"), false},
        {"date", plist("<array><date>2024-01-02T03:04:05Z</date></array>"), false},
        {"zero-padded integer", plist("<array><integer>010</integer></array>"), false},
        {"hexadecimal integer", plist("<array><integer>0x10</integer></array>"), false},
        {"signed integer", plist("<array><integer>+5</integer></array>"), false},
        {"spaced integer", plist("<array><integer> 5</integer></array>"), false},
        {"nineteen digits", plist("<array><integer>1234567890123456789</integer></array>"), false},
        {"repeated key", plist("<dict><key>k</key><string>1</string><key>k</key><string>2</string></dict>"), false},
        {"archive reference", plist("<dict><key>CF$UID</key><integer>3</integer></dict>"), false},
        {"key without value", plist("<dict><key>k</key></dict>"), false},
        {"value without key", plist("<dict><string>v</string></dict>"), false},
        {"two keys", plist("<dict><key>a</key><key>b</key><string>v</string></dict>"), false},
        {"attribute", plist("<dict kind=\"x\"></dict>"), false},
        {"spaced end tag", plist("<array><string>x</string ></array>"), false},
        {"text after the end", plist("<array/>") + "x", false},
        {"comment after the end", plist("<array/>") + "<!-- c -->", false},
        {"other encoding", "<?xml version=\"1.0\" encoding=\"UTF-16\"?><plist><array/></plist>", false},
        {"single quotes", "<?xml version='1.0'?><plist><array/></plist>", false},
        {"space before the declaration", " <?xml version=\"1.0\"?><plist><array/></plist>", false},
        {"internal subset", "<!DOCTYPE plist [<!ENTITY e \"x\">]><plist><string>&e;</string></plist>", false},
        {"no plist element", "<dict><key>k</key><string>v</string></dict>", false},
        {"empty plist", "<plist></plist>", false},
        {"bytes that are not UTF-8", plist("<array><string>\xFF</string></array>"), false},
        {"control character", plist("<array><string>a\x01</string></array>"), false},
        {"end of character data in text", plist("<array><string>a]]>b</string></array>"), false},
        {"mismatched tags", plist("<array><string>x</key></array>"), false},
        {"nested past the fast path's bound",
         plist(QByteArray("<array>").repeated(70) + QByteArray("</array>").repeated(70)), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlainPlist::read(c.xml).has_value(), c.plain) << c.what;
        const auto read = PropertyList::fromBytes(c.xml);
        EXPECT_EQ(read, PropertyList::fromBytesThroughReader(c.xml)) << c.what;
        EXPECT_TRUE(read || !c.plain) << c.what;
    }
    EXPECT_EQ(PlainPlist::read(plist("<dict><key>n</key><integer>-7</integer><key>t</key><true/></dict>")),
              QVariant(QVariantMap{{"n", qint64(-7)}, {"t", true}}));
}

// Every published Info.plist, every truncation of it and a sweep of byte changes through it read
// the same with the fast path as through the reader alone: damaged documents fail, or give a
// tree, exactly as before. Enough of them take the fast path for the comparison to mean something.
TEST(PlainPlist, AgreesWithTheReaderOnPublishedAndDamagedPlists) {
    const QDir feeds(realFeedsFolder());
    const auto names = feeds.entryList({"*.plist"});
    ASSERT_GE(names.size(), 6);
    int plain = 0;
    int compared = 0;
    const auto agree = [&](const QByteArray& xml, const QString& what) {
        ++compared;
        plain += PlainPlist::read(xml).has_value();
        const auto fast = PropertyList::fromBytes(xml);
        const auto reader = PropertyList::fromBytesThroughReader(xml);
        if (fast != reader)
            ADD_FAILURE() << what.toStdString() << ": " << xml.toStdString();
        return fast.has_value();
    };
    const char changes[] = {'\0', '\xFF', '<', '/', '"'};
    for (const auto& name : names) {
        QFile file(feeds.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray original = file.readAll();
        EXPECT_TRUE(agree(original, name)) << name.toStdString();
        for (qsizetype length = 0; length < original.size(); ++length)
            agree(original.left(length), name + QStringLiteral(" cut at %1").arg(length));
        for (qsizetype at = 0; at < original.size(); ++at) {
            for (const char change : changes) {
                QByteArray changed = original;
                changed[at] = change;
                agree(changed, name + QStringLiteral(" changed at %1").arg(at));
            }
        }
    }
    EXPECT_GT(plain, compared / 20);
}
