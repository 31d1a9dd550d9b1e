#include "platform/system/PropertyList.h"
#include "platform/system/ReferenceDate.h"

#include "TestData.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPoint>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstring>

namespace {

// A hand-built binary property list: two-byte object references, four-byte offsets.
QByteArray bplist(const QList<QByteArray>& objects, quint64 top = 0) {
    QByteArray out("bplist00");
    QList<quint32> offsets;
    for (const auto& object : objects) {
        offsets.append(quint32(out.size()));
        out += object;
    }
    const quint64 table = quint64(out.size());
    for (quint32 offset : offsets) {
        char be[4];
        qToBigEndian(offset, be);
        out.append(be, 4);
    }
    char trailer[32] = {};
    trailer[6] = 4;
    trailer[7] = 2;
    qToBigEndian(quint64(objects.size()), trailer + 8);
    qToBigEndian(top, trailer + 16);
    qToBigEndian(table, trailer + 24);
    out.append(trailer, 32);
    return out;
}

QByteArray refs(uchar marker, const QList<int>& list) {
    QByteArray out;
    out.append(char(marker | (list.size() < 15 ? list.size() : 0x0F)));
    if (list.size() >= 15) {
        out.append(char(0x11));
        char be[2];
        qToBigEndian(quint16(list.size()), be);
        out.append(be, 2);
    }
    for (int ref : list) {
        char be[2];
        qToBigEndian(quint16(ref), be);
        out.append(be, 2);
    }
    return out;
}
QByteArray array(const QList<int>& list) { return refs(0xA0, list); }
QByteArray dict(const QList<int>& keysThenValues) {
    QByteArray out = refs(0xD0, keysThenValues);
    out[0] = char(0xD0 | (keysThenValues.size() / 2));
    return out;
}
QByteArray ascii(const char* text) { return QByteArray(1, char(0x50 | int(strlen(text)))) + text; }
QByteArray int64(qint64 value) {
    char be[8];
    qToBigEndian(value, be);
    return QByteArray(1, char(0x13)) + QByteArray(be, 8);
}
QByteArray dateOrReal(uchar marker, double value) {
    quint64 bits;
    std::memcpy(&bits, &value, 8);
    char be[8];
    qToBigEndian(bits, be);
    return QByteArray(1, char(marker)) + QByteArray(be, 8);
}

QDateTime reference(double seconds) { return *ReferenceDate::fromSeconds(seconds); }

} // namespace

TEST(PropertyList, ReadsEveryXmlType) {
    const QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
  <key>name</key><string>Caf&#xE9; &amp; more 😀</string>
  <key>kept</key><string><![CDATA[<integer>007</integer>]]></string>
  <key>negative</key><integer>-5</integer>
  <key>padded</key><integer> 010 </integer>
  <key>nine</key><integer>-09</integer>
  <key>largest</key><integer>9223372036854775807</integer>
  <key>real</key><real>0.1</real>
  <key>yes</key><true />
  <key>data</key><data>AAEC/w==</data>
  <key>before</key><date>1990-01-01T00:00:00Z</date>
  <key>list</key><array><string>a</string><array/><dict/></array>
</dict>
</plist>)";
    const auto value = PropertyList::fromBytes(xml);
    ASSERT_TRUE(value);
    const auto map = value->toMap();
    EXPECT_EQ(map.value("name"), QVariant(QString::fromUtf8("Café & more 😀")));
    EXPECT_EQ(map.value("negative").typeId(), QMetaType::LongLong);
    EXPECT_EQ(map.value("negative").toLongLong(), -5);
    EXPECT_EQ(map.value("largest").toLongLong(), std::numeric_limits<qint64>::max());
    EXPECT_EQ(map.value("padded").toLongLong(), 10); // decimal, not octal
    EXPECT_EQ(map.value("nine").toLongLong(), -9);
    EXPECT_EQ(map.value("kept").toString(), "<integer>007</integer>");
    EXPECT_EQ(map.value("real").typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(map.value("real").toDouble(), 0.1);
    EXPECT_EQ(map.value("yes"), QVariant(true));
    EXPECT_EQ(map.value("data").toByteArray(), QByteArray("\x00\x01\x02\xff", 4));
    EXPECT_EQ(map.value("before").toDateTime(), QDateTime::fromString("1990-01-01T00:00:00Z", Qt::ISODate));
    EXPECT_EQ(map.value("list").toList().size(), 3);
}

TEST(PropertyList, XmlItWritesReadsBackTheSame) {
    QVariantMap inner{{"when", reference(-347155200)}, {"bytes", QByteArray("\0z", 2)}};
    const QVariantMap value{
        {"int", -42},
        {"big", qint64(1) << 40},
        {"real", 2.5},
        {"flag", true},
        {"text", QString::fromUtf8("<tag> & \"ü\"")},
        {"names", QStringList{"x", "y"}},
        {"date", reference(86400)},
        {"inner", inner},
    };
    const auto xml = PropertyList::toXml(value);
    ASSERT_TRUE(xml);
    const auto back = PropertyList::fromBytes(*xml);
    ASSERT_TRUE(back);
    const auto map = back->toMap();
    EXPECT_EQ(map.value("int").toLongLong(), -42);
    EXPECT_EQ(map.value("big").toLongLong(), qint64(1) << 40);
    EXPECT_EQ(map.value("real").toDouble(), 2.5);
    EXPECT_EQ(map.value("text").toString(), QString::fromUtf8("<tag> & \"ü\""));
    EXPECT_EQ(map.value("names").toList(), (QVariantList{"x", "y"}));
    EXPECT_EQ(map.value("date").toDateTime(), reference(86400));
    EXPECT_EQ(map.value("inner").toMap().value("when").toDateTime(), reference(-347155200));
    EXPECT_EQ(map.value("inner").toMap().value("bytes").toByteArray(), QByteArray("\0z", 2));

    // What a property list cannot carry is refused rather than written wrongly.
    EXPECT_FALSE(PropertyList::toXml(QVariantMap{{"point", QVariant::fromValue(QPoint(1, 2))}}));
    EXPECT_FALSE(PropertyList::toXml(QVariantMap{{"cut", QString::fromUtf8("a\0b", 3)}}));
    EXPECT_FALSE(PropertyList::toXml(QVariant(std::numeric_limits<quint64>::max())));
}

TEST(PropertyList, ReadsBinary) {
    // 0 dict {1:"count" -> 5, 2:"when" -> 6, 3:"list" -> 7, 4:"pi" -> 8}
    const auto data = bplist({
        dict({1, 2, 3, 4, 5, 6, 7, 8}),
        ascii("count"),
        ascii("when"),
        ascii("list"),
        ascii("pi"),
        int64(-7),
        dateOrReal(0x33, 100.25),
        array({9, 10, 11}),
        dateOrReal(0x23, 3.5),
        QByteArray(1, char(0x09)),
        dateOrReal(0x33, -100.25),
        ascii("s"),
    });
    const auto value = PropertyList::fromBytes(data);
    ASSERT_TRUE(value);
    const auto map = value->toMap();
    EXPECT_EQ(map.value("count").toLongLong(), -7);
    EXPECT_EQ(map.value("when").toDateTime(), reference(100.25));
    EXPECT_EQ(map.value("pi").toDouble(), 3.5);
    const auto list = map.value("list").toList();
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[0], QVariant(true));
    EXPECT_EQ(list[1].toDateTime(), reference(-100.25));
    EXPECT_EQ(list[2].toString(), "s");
}

TEST(PropertyList, ReadsXmlInEveryUnicodeForm) {
    const QString text =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
                       "<plist version=\"1.0\"><dict><key>k</key><string>\u00e9\u4e2d</string></dict></plist>");
    const auto utf16 = [&](bool little, bool bom) {
        QByteArray out;
        if (bom)
            out += little ? QByteArray("\xff\xfe") : QByteArray("\xfe\xff");
        for (QChar c : text) {
            const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xff);
            out += little ? QByteArray{&lo, 1} + QByteArray{&hi, 1} : QByteArray{&hi, 1} + QByteArray{&lo, 1};
        }
        return out;
    };
    const QList<QByteArray> forms{utf16(true, true),
                                  utf16(false, true),
                                  utf16(true, false),
                                  utf16(false, false),
                                  QByteArray("\xef\xbb\xbf") + text.toUtf8(),
                                  text.toUtf8()};
    for (const auto& bytes : forms) {
        const auto value = PropertyList::fromBytes(bytes);
        ASSERT_TRUE(value) << bytes.left(8).toHex().constData();
        EXPECT_EQ(value->toMap().value("k").toString(), QString::fromUtf8("é中"));
    }
}

TEST(PropertyList, RefusesMalformedAndHostileInput) {
    QByteArray deepXml = "<plist>";
    for (int i = 0; i < 600; ++i)
        deepXml += "<array>";
    for (int i = 0; i < 600; ++i)
        deepXml += "</array>";
    deepXml += "</plist>";

    // Closing tags inside a comment or character data are text, not a way to hide real nesting.
    QByteArray hidden = "<plist><array><!--";
    QByteArray hiddenData = "<plist><array><string><![CDATA[";
    for (int i = 0; i < 300000; ++i) {
        hidden += "</array>";
        hiddenData += "</array>";
    }
    hidden += "-->";
    hiddenData += "]]></string>";
    for (int i = 0; i < 300000; ++i) {
        hidden += "<array>";
        hiddenData += "<array>";
    }
    for (int i = 0; i < 300001; ++i) {
        hidden += "</array>";
        hiddenData += "</array>";
    }
    hidden += "</plist>";
    hiddenData += "</plist>";

    QList<QByteArray> chain; // 600 arrays, each holding the next
    for (int i = 0; i < 600; ++i)
        chain.append(i + 1 < 600 ? array({i + 1}) : array({}));
    QList<QByteArray> laughs; // 40 levels of [x, x]: 2^40 nodes once expanded
    for (int i = 0; i < 40; ++i)
        laughs.append(array({i + 1, i + 1}));
    laughs.append(ascii("x"));
    const QByteArray good = bplist({array({1}), ascii("x")});

    const QList<std::pair<const char*, QByteArray>> cases{
        {"empty", QByteArray()},
        {"garbage", QByteArray("not a property list")},
        {"unterminated xml", QByteArray("<plist><dict><key>a</key><string>b")},
        {"xml nested too deep", deepXml},
        {"xml nesting hidden by a comment", hidden},
        {"xml nesting hidden by character data", hiddenData},
        {"xml not well-formed", QByteArray("<plist><array><string>a</array></string></plist>")},
        {"binary without trailer", good.left(good.size() - 10)},
        {"binary header only", QByteArray("bplist00")},
        {"binary reference out of range", bplist({array({7})})},
        {"binary cycle", bplist({array({0})})},
        {"binary nested too deep", bplist(chain)},
        {"binary expanding beyond bounds", bplist(laughs)},
        {"binary top beyond objects", bplist({ascii("x")}, 3)},
    };
    ASSERT_TRUE(PropertyList::fromBytes(good));
    for (const auto& [name, bytes] : cases)
        EXPECT_FALSE(PropertyList::fromBytes(bytes)) << name;
}

TEST(PropertyList, ReadsALargeListOfZeroPaddedIntegersPromptly) {
    // A bundle's Info.plist is read on every scan: one that fills the size limit with padded
    // integers must parse in one pass, not stall the scan.
    const QByteArray item = "<integer>007</integer>";
    const qsizetype count = (PropertyList::maxFileSize - 64) / item.size();
    QByteArray xml = "<plist><array>";
    xml.reserve(PropertyList::maxFileSize);
    for (qsizetype i = 0; i < count; ++i)
        xml += item;
    xml += "</array></plist>";
    ASSERT_LE(xml.size(), PropertyList::maxFileSize);
    const auto list = PropertyList::fromBytes(xml);
    ASSERT_TRUE(list);
    const QVariantList values = list->toList();
    ASSERT_EQ(values.size(), count);
    EXPECT_EQ(values.front(), QVariant(qint64(7)));
    EXPECT_EQ(values.back(), QVariant(qint64(7)));
}

TEST(PropertyList, ReadsFilesWithinBounds) {
    const QString shared = realFeedsFolder();
    const auto plists = QDir(shared).entryList({"infoplist_*.plist"}, QDir::Files);
    ASSERT_GE(plists.size(), 6);
    for (const auto& name : plists) {
        const auto map = PropertyList::dictionaryFromFile(shared + "/" + name);
        ASSERT_TRUE(map) << name.toStdString();
        EXPECT_FALSE(map->value("CFBundleIdentifier").toString().isEmpty()) << name.toStdString();
    }
    EXPECT_EQ(PropertyList::dictionaryFromFile(shared + "/infoplist_built_unity_nos.plist")
                  ->value("CFBundleShortVersionString"),
              QVariant("0.1.260413.0733"));

    QTemporaryDir dir;
    const QString list = dir.filePath("list.plist");
    QFile file(list);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(*PropertyList::toXml(QVariantList{1, 2}));
    file.close();
    EXPECT_TRUE(PropertyList::fromFile(list));
    EXPECT_FALSE(PropertyList::dictionaryFromFile(list)); // not a dictionary
    EXPECT_FALSE(PropertyList::fromFile(dir.filePath("missing.plist")));
    EXPECT_FALSE(PropertyList::fromFile(dir.path())); // a folder

    const QString big = dir.filePath("big.plist");
    QFile large(big);
    ASSERT_TRUE(large.open(QIODevice::WriteOnly));
    QByteArray body = "<plist><string>";
    body += QByteArray(PropertyList::maxFileSize, 'x');
    body += "</string></plist>";
    large.write(body);
    large.close();
    EXPECT_FALSE(PropertyList::fromFile(big));
    EXPECT_FALSE(PropertyList::fromFile("/dev/zero")); // no size to trust: reading stops at the limit
}
