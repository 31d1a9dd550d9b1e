#include "model/Scanner.h"
#include "platform/system/PropertyList.h"

#include "BundleBuilder.h"
#include "MachOBuilder.h"
#include "TestPki.h"
#include "TestData.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/stat.h>

namespace {

// A binary property list with one-byte references and offsets.
QByteArray bplist(const QList<QByteArray>& objects) {
    QByteArray out("bplist00");
    QByteArray offsets;
    for (const auto& object : objects) {
        offsets.append(char(out.size()));
        out += object;
    }
    char trailer[32] = {0, 0, 0, 0, 0, 0, 1, 1};
    qToBigEndian(quint64(objects.size()), trailer + 8);
    qToBigEndian(quint64(out.size()), trailer + 24);
    return out + offsets + QByteArray(trailer, 32);
}

QByteArray ascii(const char* text) {
    const auto size = int(strlen(text));
    return (size < 15 ? QByteArray(1, char(0x50 | size)) : QByteArray("\x5F\x10") + char(size)) + text;
}

// {CFBundleIdentifier: id, CFBundleVersion: 7}
QByteArray binaryInfo(const char* id) {
    return bplist({QByteArray("\xD2\x01\x02\x03\x04", 5), ascii("CFBundleIdentifier"), ascii("CFBundleVersion"),
                   ascii(id), QByteArray("\x10\x07", 2)});
}

class ScannerTest : public ::testing::Test {
protected:
    QString path(const QString& relative) const { return root.path() + u'/' + relative; }

    void file(const QString& relative, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        QFile out(path(relative));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }

    void bundle(const QString& relative, const QVariantMap& info) {
        file(relative + "/Contents/Info.plist", PropertyList::toXml(info).value());
    }
    void bundle(const QString& relative, const QString& id = "com.example.tool") {
        bundle(relative, {{"CFBundleIdentifier", id}});
    }

    void link(const QString& relative, const QString& target) {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        ASSERT_TRUE(QFile::link(path(target), path(relative)));
    }

    std::optional<InstalledApp> read(const QString& relative) { return Scanner::read(path(relative), path("A")); }

    QStringList scan(const QStringList& folders) {
        QStringList out;
        QStringList absolute;
        for (const auto& folder : folders)
            absolute.append(path(folder));
        found = Scanner::scan(absolute);
        for (const auto& app : found)
            out.append(app.url.mid(root.path().size() + 1));
        return out;
    }

    QTemporaryDir root;
    QList<InstalledApp> found;
};

TEST_F(ScannerTest, WalksEachFolderAndOneLevelBelowIt) {
    bundle("A/Tool.app");
    bundle("A/Utilities/Inner.app");
    bundle("A/Group/Deep/Deeper.app"); // two levels down
    bundle("A/.Hidden.app");
    bundle("A/Utilities/.Hidden.app");
    bundle("A/.Stash/Stashed.app");
    bundle("A/Caps.APP");
    bundle("A/Suite.app/Contents/Helper.app"); // a bundle is never searched
    file("A/Broken.app/Contents/MacOS/x", ""); // no Info.plist
    bundle("Elsewhere/Linked.app");
    link("A/Shortcut.app", "Elsewhere/Linked.app");
    link("A/Utilities/Linked.app", "Elsewhere/Linked.app");
    link("A/Utilities/Loop.app", "A/Utilities/Loop.app");
    link("A/LinkedFolder", "Elsewhere");
    bundle("B/Tool.app"); // the same identifier again

    EXPECT_EQ(scan({"Missing", "A", "B"}),
              (QStringList{"A/Utilities/Inner.app", "A/Utilities/Linked.app", "A/Tool.app", "B/Tool.app"}));
    ASSERT_EQ(found.size(), 4);
    EXPECT_EQ(found[0].folder, path("A"));
    EXPECT_EQ(found[0].name, "Inner");
    EXPECT_EQ(found[1].folder, path("A"));
    EXPECT_EQ(found[3].folder, path("B"));
    EXPECT_EQ(found[2].bundleID, found[3].bundleID);
}

TEST_F(ScannerTest, SortsNaturallyIgnoringCaseAndWidthAndKeepsScanOrderForEqualNames) {
    bundle("A/App 10.app");
    bundle("A/zebra.app");
    bundle("A/App 9.app");
    bundle("B/app 9.app");
    bundle("C/\uFF21pp 9.app"); // full-width A
    bundle("C/Zeta 2.app");
    EXPECT_EQ(scan({"A", "B", "C"}), (QStringList{"A/App 9.app", "B/app 9.app", "C/\uFF21pp 9.app", "A/App 10.app",
                                                  "A/zebra.app", "C/Zeta 2.app"}));
}

TEST_F(ScannerTest, InfoValuesAreNormalised) {
    const struct {
        QVariant value;
        std::optional<QString> expected;
    } cases[] = {
        {" 1.2.3\t", "1.2.3"},
        {"\u00A01.2\u2003", "1.2"}, // other horizontal spaces
        {"   ", std::nullopt},
        {"1.0\n", "1.0\n"}, // line breaks are not trimmed
        {"Cafe\u0301", "Caf\u00E9"},
        {qint64(42), "42"},
        {1.5, "1.5"},
        {true, "1"},
        {QVariantList{"1.0"}, std::nullopt},
    };
    for (const auto& c : cases) {
        bundle("A/Tool.app", {{"CFBundleIdentifier", " com.example.tool "},
                              {"CFBundleShortVersionString", c.value},
                              {"CFBundleVersion", c.value},
                              {"SUPublicEDKey", c.value}});
        const auto app = read("A/Tool.app");
        ASSERT_TRUE(app) << c.value.toString().toStdString();
        EXPECT_EQ(app->bundleID, " com.example.tool ") << "the identifier is taken as it stands";
        EXPECT_EQ(app->version, c.expected) << c.value.toString().toStdString();
        EXPECT_EQ(app->build, c.expected);
        EXPECT_EQ(app->edKey, c.expected);
    }
}

TEST_F(ScannerTest, ReadsEveryFieldOfABundle) {
    bundle("A/Tool.app", {{"CFBundleIdentifier", "com.example.tool"},
                          {"SUFeedURL", " https://example.com/appcast.xml "},
                          {"SUPublicEDKey", "key="}});
    file("A/Tool.app/Contents/_MASReceipt/receipt", "r");
    file("A/Tool.app/Contents/Resources/app-update.yml", "provider: generic\nurl: https://dl.example.com/tool\n");
    auto app = read("A/Tool.app");
    ASSERT_TRUE(app);
    EXPECT_EQ(app->url, path("A/Tool.app"));
    EXPECT_EQ(app->name, "Tool");
    EXPECT_EQ(app->version, std::nullopt);
    EXPECT_TRUE(app->isAppStore);
    EXPECT_EQ(app->feedURL, QUrl("https://example.com/appcast.xml"));
    EXPECT_EQ(app->edKey, "key=");
    EXPECT_EQ(app->electronFeed, QUrl("https://dl.example.com/tool/latest-mac.yml"));

    // An unusable feed address empties that field alone; an identifier that is not a string
    // leaves the bundle out.
    bundle("A/Tool.app", {{"CFBundleIdentifier", "com.example.tool"}, {"SUFeedURL", "http://[::1"}});
    app = read("A/Tool.app");
    ASSERT_TRUE(app);
    EXPECT_EQ(app->feedURL, std::nullopt);
    EXPECT_TRUE(app->electronFeed);
    bundle("A/Tool.app", QVariantMap{{"CFBundleIdentifier", qint64(7)}});
    EXPECT_FALSE(read("A/Tool.app"));

    file("A/Binary.app/Contents/Info.plist", binaryInfo("com.example.binary"));
    app = read("A/Binary.app");
    ASSERT_TRUE(app);
    EXPECT_EQ(app->bundleID, "com.example.binary");
    EXPECT_EQ(app->build, "7");
}

TEST_F(ScannerTest, TeamComesFromTheEmbeddedSignature) {
    BundleBuilder(path("A/Signed.app")).build();
    BundleBuilder(path("A/Unsigned.app")).unsignedCode().build();
    BundleBuilder(path("A/Universal.app"))
        .architectures({MachOBuilder::x86_64, MachOBuilder::arm64})
        .signedBy(&TestPki::shared().teamB)
        .binaryInfoPlist(true)
        .build();
    ASSERT_EQ(scan({"A"}).size(), 3);
    EXPECT_EQ(found[0].team, TestPki::shared().teamA.team);
    EXPECT_EQ(found[1].team, TestPki::shared().teamB.team);
    EXPECT_EQ(found[2].team, std::nullopt);
    EXPECT_EQ(Scanner::signing(path("A/Missing.app")).team, std::nullopt);
}

// Damaged bundles are left out, or lose the damaged field; the scan goes on and never waits.
TEST_F(ScannerTest, DamagedBundlesNeverStopTheScan) {
    bundle("A/Good.app");
    file("A/Truncated.app/Contents/Info.plist",
         PropertyList::toXml(QVariantMap{{"CFBundleIdentifier", "x"}})->left(60));
    file("A/BinaryTruncated.app/Contents/Info.plist", binaryInfo("com.example.cut").left(40));
    file("A/Cycle.app/Contents/Info.plist", bplist({QByteArray("\xD1\x01\x00", 3), ascii("CFBundleIdentifier")}));
    auto absurd = binaryInfo("com.example.absurd");
    absurd[absurd.size() - 32 - 5] = char(0xF0); // the top object's offset lies past the end
    file("A/Absurd.app/Contents/Info.plist", absurd);
    file("A/Empty.app/Contents/Info.plist", "");
    file("A/Array.app/Contents/Info.plist", PropertyList::toXml(QVariantList{1, 2}).value());
    {
        QFile huge(path("A/Huge.app/Contents/Info.plist"));
        QDir().mkpath(QFileInfo(huge).absolutePath());
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        huge.write("<?xml version=\"1.0\"?><plist><dict><key>CFBundleIdentifier</key><string>");
        ASSERT_TRUE(huge.resize(PropertyList::maxFileSize + 1)); // sparse
    }
    BundleBuilder(path("A/Lying.app")).build();
    {
        QFile exe(path("A/Lying.app/Contents/MacOS/Tool"));
        ASSERT_TRUE(exe.open(QIODevice::ReadWrite));
        auto bytes = exe.readAll();
        MachOBuilder::putLe32(bytes, 20, 0x7FFFFFF0); // load commands larger than the file
        exe.seek(0);
        exe.write(bytes);
    }
    file("A/Garbage.app/Contents/MacOS/Tool", QByteArray(64, '\xCF'));
    bundle("A/Garbage.app", {{"CFBundleIdentifier", "g"}, {"CFBundleExecutable", "Tool"}});
    file("A/Garbage.app/Contents/Resources/app-update.yml", "provider: \xff\xfe\n");
    // Pipes would make a reader wait for a writer.
    QDir().mkpath(path("A/Good.app/Contents/Resources"));
    QDir().mkpath(path("A/Pipe.app/Contents"));
    ASSERT_EQ(mkfifo(QFile::encodeName(path("A/Pipe.app/Contents/Info.plist")).constData(), 0600), 0);
    ASSERT_EQ(mkfifo(QFile::encodeName(path("A/Good.app/Contents/Resources/app-update.yml")).constData(), 0600), 0);

    EXPECT_EQ(scan({"A"}), (QStringList{"A/Garbage.app", "A/Good.app", "A/Lying.app"}));
    for (const auto& app : found) {
        EXPECT_EQ(app.team, std::nullopt) << app.name.toStdString();
        EXPECT_EQ(app.electronFeed, std::nullopt);
    }
}

TEST_F(ScannerTest, ReadsPublishedInfoPlists) {
    const struct {
        const char* file;
        const char* id;
        std::optional<QString> version, build;
        const char* feed;
    } cases[] = {
        {"built_flowdock_electron", "com.github.electron", "0.0.1", "0.0.1", ""},
        {"built_minimal_no_versions", "com.idle.game", {}, {}, ""},
        {"built_unity_nos", "net.UFO-Studios.NOS", "0.1.260413.0733", "0", ""},
        {"src_lunar", "$(PRODUCT_BUNDLE_IDENTIFIER)", "$(MARKETING_VERSION)", "$(CURRENT_PROJECT_VERSION)",
         "https://files.lunar.fyi/appcast2.xml"},
        {"src_maccy", "$(PRODUCT_BUNDLE_IDENTIFIER)", "$(MARKETING_VERSION)", "$(CURRENT_PROJECT_VERSION)",
         "https://raw.githubusercontent.com/p0deje/Maccy/master/appcast.xml"},
    };
    for (const auto& c : cases) {
        file("A/Sample.app/Contents/Info.plist", realFeed(QStringLiteral("infoplist_%1.plist").arg(c.file)));
        const auto app = read("A/Sample.app");
        ASSERT_TRUE(app) << c.file;
        EXPECT_EQ(app->bundleID, c.id) << c.file;
        EXPECT_EQ(app->version, c.version) << c.file;
        EXPECT_EQ(app->build, c.build) << c.file;
        EXPECT_EQ(app->feedURL.value_or(QUrl()), QUrl(c.feed)) << c.file;
    }
    EXPECT_EQ(read("A/Sample.app")->edKey, std::nullopt);
}

// The executable is found through links that stay inside the bundle, never through one that
// leaves it, wherever on the way the link is.
TEST_F(ScannerTest, TeamIsReadThroughLinksInsideTheBundleOnly) {
    const auto inside = BundleBuilder(path("A/Inside.app")).build();
    ASSERT_TRUE(QFile::rename(inside.executable, path("A/Inside.app/Contents/Real")));
    link("A/Inside.app/Contents/MacOS/Tool", "A/Inside.app/Contents/Real");
    const auto outside = BundleBuilder(path("A/Outside.app")).build();
    QDir().mkpath(path("Elsewhere"));
    ASSERT_TRUE(QFile::rename(outside.executable, path("Elsewhere/Tool")));
    link("A/Outside.app/Contents/MacOS/Tool", "Elsewhere/Tool");
    BundleBuilder(path("Elsewhere/Folder.app")).build();
    QDir().mkpath(path("A/LinkedFolder.app/Contents"));
    ASSERT_TRUE(
        QFile::copy(path("Elsewhere/Folder.app/Contents/Info.plist"), path("A/LinkedFolder.app/Contents/Info.plist")));
    link("A/LinkedFolder.app/Contents/MacOS", "Elsewhere/Folder.app/Contents/MacOS");

    ASSERT_EQ(scan({"A"}), (QStringList{"A/Inside.app", "A/LinkedFolder.app", "A/Outside.app"}));
    EXPECT_EQ(found[0].team, TestPki::shared().teamA.team);
    EXPECT_EQ(found[1].team, std::nullopt);
    EXPECT_EQ(found[2].team, std::nullopt);
}

TEST(ScannerElectronFeed, ReadsFlatKeyValueLines) {
    const QString github = "https://github.com/acme/tool/releases/latest/download/latest-mac.yml";
    const struct {
        QByteArray text;
        std::optional<QString> expected;
    } cases[] = {
        {"provider: github\nowner: 'acme'\nrepo: \"tool\"\n", github},
        {"provider: github\r\nowner: acme\r\nrepo: tool\r\n", github},
        {"\n::provider:github\n  owner : acme\nrepo: old\nrepo: tool", github}, // leading colons, indents, last wins
        {"provider: generic\nurl: https://dl.example.com/app/\n", "https://dl.example.com/app/latest-mac.yml"},
        {"provider: generic\nurl:https://dl.example.com:8443/app\n", "https://dl.example.com:8443/app/latest-mac.yml"},
        {"provider: s3\nbucket: b\n", std::nullopt},
        {"provider: GitHub\nowner: acme\nrepo: tool\n", std::nullopt},
        {"provider: github\nowner: acme\n", std::nullopt},
        {"provider: generic\nurl: ''\n", std::nullopt},
        {"provider:\nurl: https://dl.example.com\n", std::nullopt},
        {"provider: generic\nurl: https://dl.example.com/\xff\n", std::nullopt}, // not UTF-8
    };
    QTemporaryDir dir;
    const auto path = dir.filePath("app-update.yml");
    for (const auto& c : cases) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.text);
        file.close();
        const auto feed = Scanner::electronFeed(path);
        EXPECT_EQ(feed ? std::optional(feed->toString()) : std::nullopt, c.expected) << c.text.constData();
    }
    EXPECT_EQ(Scanner::electronFeed(dir.filePath("missing.yml")), std::nullopt);

    const QString shared = realFeedPath("app-update_");
    EXPECT_EQ(Scanner::electronFeed(shared + "arkwallet_github_vprefix.yml"),
              QUrl("https://github.com/ArkEcosystem/desktop-wallet/releases/latest/download/latest-mac.yml"));
    EXPECT_EQ(Scanner::electronFeed(shared + "pulsesync_generic_channel.yml"),
              QUrl("https://s3.pulsesync.dev/builds/app/beta/latest-mac.yml"));
    EXPECT_EQ(Scanner::electronFeed(shared + "wwsu_github_no_newline.yml"),
              QUrl("https://github.com/Lovinity/wwsu-dj-controls/releases/latest/download/latest-mac.yml"));
}

} // namespace
