#include "model/Scanner.h"
#include "platform/PropertyList.h"

#include "BundleBuilder.h"
#include "MachOBuilder.h"
#include "RunSync.h"
#include "TestPki.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A binary property list with one-byte references and offsets: a dictionary of ASCII strings,
// or whatever objects a case needs.
QByteArray bplist(const QList<QByteArray>& objects) {
    QByteArray out("bplist00");
    QByteArray offsets;
    for (const auto& object : objects) {
        offsets.append(char(out.size()));
        out += object;
    }
    const auto table = quint64(out.size());
    out += offsets;
    char trailer[32] = {};
    trailer[6] = 1;
    trailer[7] = 1;
    qToBigEndian(quint64(objects.size()), trailer + 8);
    qToBigEndian(table, trailer + 24);
    out.append(trailer, 32);
    return out;
}

QByteArray ascii(const char* text) {
    const auto size = int(strlen(text));
    const QByteArray marker = size < 15 ? QByteArray(1, char(0x50 | size)) : QByteArray("\x5F\x10") + char(size);
    return marker + QByteArray(text);
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
        file(relative + QStringLiteral("/Contents/Info.plist"), PropertyList::toXml(info).value());
    }

    void bundle(const QString& relative, const QString& id = QStringLiteral("com.example.tool")) {
        bundle(relative, {{QStringLiteral("CFBundleIdentifier"), id}});
    }

    void link(const QString& relative, const QString& target) {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        ASSERT_TRUE(QFile::link(target, path(relative)));
    }

    QStringList names(const QList<InstalledApp>& apps) const {
        QStringList out;
        for (const auto& app : apps)
            out.append(app.url.mid(root.path().size() + 1));
        return out;
    }

    QTemporaryDir root;
};

TEST_F(ScannerTest, WalksEachFolderAndOneLevelBelowIt) {
    bundle(QStringLiteral("A/Tool.app"));
    bundle(QStringLiteral("A/Utilities/Inner.app"));
    bundle(QStringLiteral("A/Group/Deep/Deeper.app"));          // two levels down
    bundle(QStringLiteral("A/.Hidden.app"));
    bundle(QStringLiteral("A/Utilities/.Hidden.app"));
    bundle(QStringLiteral("A/.Stash/Stashed.app"));
    bundle(QStringLiteral("A/Caps.APP"));
    bundle(QStringLiteral("A/Suite.app/Contents/Helper.app"));  // a bundle is never searched
    file(QStringLiteral("A/Broken.app/Contents/MacOS/x"), "");  // no Info.plist
    bundle(QStringLiteral("Elsewhere/Linked.app"));
    link(QStringLiteral("A/Shortcut.app"), path(QStringLiteral("Elsewhere/Linked.app")));
    link(QStringLiteral("A/Utilities/Linked.app"), path(QStringLiteral("Elsewhere/Linked.app")));
    link(QStringLiteral("A/Utilities/Loop.app"), path(QStringLiteral("A/Utilities/Loop.app")));
    link(QStringLiteral("A/LinkedFolder"), path(QStringLiteral("Elsewhere")));
    bundle(QStringLiteral("B/Tool.app"));                        // the same identifier again

    const auto apps = Scanner::scan({path(QStringLiteral("Missing")), path(QStringLiteral("A")), path(QStringLiteral("B"))});
    EXPECT_EQ(names(apps), (QStringList{QStringLiteral("A/Utilities/Inner.app"), QStringLiteral("A/Utilities/Linked.app"),
                                        QStringLiteral("A/Tool.app"), QStringLiteral("B/Tool.app")}));
    ASSERT_EQ(apps.size(), 4);
    EXPECT_EQ(apps[0].folder, path(QStringLiteral("A")));
    EXPECT_EQ(apps[0].name, QStringLiteral("Inner"));
    EXPECT_EQ(apps[1].folder, path(QStringLiteral("A")));
    EXPECT_EQ(apps[3].folder, path(QStringLiteral("B")));
    EXPECT_EQ(apps[2].bundleID, apps[3].bundleID);
}

TEST_F(ScannerTest, UnreadableSubFolderContributesNothing) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    bundle(QStringLiteral("A/Locked/Inner.app"));
    bundle(QStringLiteral("A/Tool.app"));
    ASSERT_TRUE(QFile::setPermissions(path(QStringLiteral("A/Locked")), QFileDevice::WriteOwner));
    EXPECT_EQ(names(Scanner::scan({path(QStringLiteral("A"))})), QStringList{QStringLiteral("A/Tool.app")});
    QFile::setPermissions(path(QStringLiteral("A/Locked")), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                            QFileDevice::ExeOwner);
}

TEST_F(ScannerTest, SortsNaturallyIgnoringCaseAndWidthAndKeepsScanOrderForEqualNames) {
    bundle(QStringLiteral("A/App 10.app"), QStringLiteral("a.10"));
    bundle(QStringLiteral("A/zebra.app"), QStringLiteral("a.zebra"));
    bundle(QStringLiteral("A/App 9.app"), QStringLiteral("a.9"));
    bundle(QStringLiteral("B/app 9.app"), QStringLiteral("b.9"));
    bundle(QStringLiteral("C/\uFF21pp 9.app"), QStringLiteral("c.9")); // full-width A
    bundle(QStringLiteral("C/Zeta 2.app"), QStringLiteral("c.zeta"));
    QStringList ids;
    for (const auto& app : Scanner::scan({path(QStringLiteral("A")), path(QStringLiteral("B")), path(QStringLiteral("C"))}))
        ids.append(app.bundleID);
    EXPECT_EQ(ids, (QStringList{QStringLiteral("a.9"), QStringLiteral("b.9"), QStringLiteral("c.9"), QStringLiteral("a.10"),
                                QStringLiteral("a.zebra"), QStringLiteral("c.zeta")}));
}

TEST_F(ScannerTest, InfoValuesAreNormalised) {
    const struct {
        QVariant value;
        std::optional<QString> expected;
    } cases[] = {
        {QStringLiteral(" 1.2.3\t"), QStringLiteral("1.2.3")},
        {QStringLiteral("\u00A01.2\u2003"), QStringLiteral("1.2")}, // other horizontal spaces
        {QStringLiteral("   "), std::nullopt},
        {QStringLiteral(""), std::nullopt},
        {QStringLiteral("1.0\n"), QStringLiteral("1.0\n")}, // line breaks are not trimmed
        {QStringLiteral("Cafe\u0301"), QStringLiteral("Caf\u00E9")},
        {qint64(42), QStringLiteral("42")},
        {qint64(-3), QStringLiteral("-3")},
        {1.5, QStringLiteral("1.5")},
        {2.0, QStringLiteral("2")},
        {true, QStringLiteral("1")},
        {QVariantList{QStringLiteral("1.0")}, std::nullopt},
        {QByteArray("1.0"), std::nullopt},
    };
    for (const auto& c : cases) {
        bundle(QStringLiteral("A/Tool.app"), {{QStringLiteral("CFBundleIdentifier"), QStringLiteral(" com.example.tool ")},
                                              {QStringLiteral("CFBundleShortVersionString"), c.value},
                                              {QStringLiteral("CFBundleVersion"), c.value},
                                              {QStringLiteral("SUPublicEDKey"), c.value}});
        const auto app = Scanner::read(path(QStringLiteral("A/Tool.app")), path(QStringLiteral("A")));
        ASSERT_TRUE(app) << c.value.toString().toStdString();
        EXPECT_EQ(app->bundleID, QStringLiteral(" com.example.tool ")) << "the identifier is taken as it stands";
        EXPECT_EQ(app->version, c.expected) << c.value.toString().toStdString();
        EXPECT_EQ(app->build, c.expected);
        EXPECT_EQ(app->edKey, c.expected);
    }
}

TEST_F(ScannerTest, ReadsEveryFieldOfABundle) {
    bundle(QStringLiteral("A/Tool.app"), {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.example.tool")},
                                          {QStringLiteral("SUFeedURL"), QStringLiteral(" https://example.com/appcast.xml ")},
                                          {QStringLiteral("SUPublicEDKey"), QStringLiteral("key=")}});
    file(QStringLiteral("A/Tool.app/Contents/_MASReceipt/receipt"), "r");
    file(QStringLiteral("A/Tool.app/Contents/Resources/app-update.yml"), "provider: generic\nurl: https://dl.example.com/tool\n");
    auto app = Scanner::read(path(QStringLiteral("A/Tool.app")), path(QStringLiteral("A")));
    ASSERT_TRUE(app);
    EXPECT_EQ(app->url, path(QStringLiteral("A/Tool.app")));
    EXPECT_EQ(app->name, QStringLiteral("Tool"));
    EXPECT_EQ(app->version, std::nullopt);
    EXPECT_EQ(app->team, std::nullopt);
    EXPECT_TRUE(app->isAppStore);
    EXPECT_EQ(app->feedURL, QUrl(QStringLiteral("https://example.com/appcast.xml")));
    EXPECT_EQ(app->edKey, QStringLiteral("key="));
    EXPECT_EQ(app->electronFeed, QUrl(QStringLiteral("https://dl.example.com/tool/latest-mac.yml")));

    // An unusable feed address leaves that field empty and the rest intact; so does a bundle
    // identifier that is not a string, for the whole bundle.
    bundle(QStringLiteral("A/Tool.app"), {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.example.tool")},
                                          {QStringLiteral("SUFeedURL"), QStringLiteral("http://[::1")}});
    app = Scanner::read(path(QStringLiteral("A/Tool.app")), path(QStringLiteral("A")));
    ASSERT_TRUE(app);
    EXPECT_EQ(app->feedURL, std::nullopt);
    EXPECT_TRUE(app->electronFeed);
    bundle(QStringLiteral("A/Tool.app"), {{QStringLiteral("CFBundleIdentifier"), qint64(7)}});
    EXPECT_FALSE(Scanner::read(path(QStringLiteral("A/Tool.app")), path(QStringLiteral("A"))));

    // Binary Info.plist files read as XML ones do.
    file(QStringLiteral("A/Binary.app/Contents/Info.plist"), binaryInfo("com.example.binary"));
    app = Scanner::read(path(QStringLiteral("A/Binary.app")), path(QStringLiteral("A")));
    ASSERT_TRUE(app);
    EXPECT_EQ(app->bundleID, QStringLiteral("com.example.binary"));
    EXPECT_EQ(app->build, QStringLiteral("7"));
}

TEST_F(ScannerTest, TeamComesFromTheEmbeddedSignature) {
    BundleBuilder(path(QStringLiteral("A/Signed.app"))).build();
    BundleBuilder(path(QStringLiteral("A/Unsigned.app"))).unsignedCode().build();
    BundleBuilder(path(QStringLiteral("A/Universal.app")))
        .architectures({MachOBuilder::x86_64, MachOBuilder::arm64})
        .signedBy(&TestPki::shared().teamB)
        .build();
    const auto apps = Scanner::scan({path(QStringLiteral("A"))});
    ASSERT_EQ(apps.size(), 3);
    EXPECT_EQ(apps[0].team, TestPki::shared().teamA.team);
    EXPECT_EQ(apps[1].team, TestPki::shared().teamB.team);
    EXPECT_EQ(apps[2].team, std::nullopt);
    EXPECT_EQ(Scanner::signing(path(QStringLiteral("A/Missing.app"))).team, std::nullopt);
}

// Damaged bundles are left out (or lose the damaged field); the scan goes on.
TEST_F(ScannerTest, DamagedBundlesNeverStopTheScan) {
    bundle(QStringLiteral("A/Good.app"));
    QDir().mkpath(path(QStringLiteral("A/Good.app/Contents/Resources")));
    file(QStringLiteral("A/Truncated.app/Contents/Info.plist"),
         PropertyList::toXml(QVariantMap{{QStringLiteral("CFBundleIdentifier"), QStringLiteral("x")}})->left(60));
    file(QStringLiteral("A/BinaryTruncated.app/Contents/Info.plist"), binaryInfo("com.example.cut").left(40));
    // A dictionary whose value is itself.
    file(QStringLiteral("A/Cycle.app/Contents/Info.plist"),
         bplist({QByteArray("\xD1\x01\x00", 3), ascii("CFBundleIdentifier")}));
    // An offset table pointing far outside the file.
    auto absurd = binaryInfo("com.example.absurd");
    absurd[absurd.size() - 32 - 5] = char(0xF0);
    file(QStringLiteral("A/Absurd.app/Contents/Info.plist"), absurd);
    file(QStringLiteral("A/Empty.app/Contents/Info.plist"), "");
    file(QStringLiteral("A/Array.app/Contents/Info.plist"), PropertyList::toXml(QVariantList{1, 2}).value());
    {
        QFile huge(path(QStringLiteral("A/Huge.app/Contents/Info.plist")));
        QDir().mkpath(QFileInfo(huge).absolutePath());
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        huge.write("<?xml version=\"1.0\"?><plist><dict><key>CFBundleIdentifier</key><string>");
        ASSERT_TRUE(huge.resize(PropertyList::maxFileSize + 1)); // sparse: costs no disk
    }
    // A main executable whose load commands claim more than the file holds.
    BundleBuilder(path(QStringLiteral("A/Lying.app"))).build();
    {
        QFile exe(path(QStringLiteral("A/Lying.app/Contents/MacOS/Tool")));
        ASSERT_TRUE(exe.open(QIODevice::ReadWrite));
        auto bytes = exe.readAll();
        MachOBuilder::putLe32(bytes, 20, 0x7FFFFFF0); // sizeofcmds
        exe.seek(0);
        exe.write(bytes);
    }
    file(QStringLiteral("A/Garbage.app/Contents/MacOS/Tool"), QByteArray(64, '\xCF'));
    bundle(QStringLiteral("A/Garbage.app"), {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("g")},
                                             {QStringLiteral("CFBundleExecutable"), QStringLiteral("Tool")}});
    file(QStringLiteral("A/Garbage.app/Contents/Resources/app-update.yml"), QByteArray("provider: \xff\xfe\n"));
    // Pipes would block a reader until someone writes.
    QDir().mkpath(path(QStringLiteral("A/Pipe.app/Contents/Resources")));
    ASSERT_EQ(mkfifo(QFile::encodeName(path(QStringLiteral("A/Pipe.app/Contents/Info.plist"))).constData(), 0600), 0);
    ASSERT_EQ(mkfifo(QFile::encodeName(path(QStringLiteral("A/Good.app/Contents/Resources/app-update.yml"))).constData(), 0600), 0);

    const auto apps = Scanner::scan({path(QStringLiteral("A"))});
    EXPECT_EQ(names(apps), (QStringList{QStringLiteral("A/Garbage.app"), QStringLiteral("A/Good.app"),
                                        QStringLiteral("A/Lying.app")}));
    for (const auto& app : apps) {
        EXPECT_EQ(app.team, std::nullopt) << app.name.toStdString();
        EXPECT_EQ(app.electronFeed, std::nullopt);
    }
}

TEST_F(ScannerTest, ScanInBackgroundGivesTheSameList) {
    bundle(QStringLiteral("A/Tool.app"));
    const auto apps = runSync(Scanner::scanInBackground({path(QStringLiteral("A"))}));
    EXPECT_EQ(names(apps), QStringList{QStringLiteral("A/Tool.app")});
}

TEST(ScannerElectronFeed, ReadsFlatKeyValueLines) {
    const struct {
        QByteArray text;
        std::optional<QString> expected;
    } cases[] = {
        {"provider: github\nowner: 'acme'\nrepo: \"tool\"\n",
         QStringLiteral("https://github.com/acme/tool/releases/latest/download/latest-mac.yml")},
        {"provider: generic\nurl: https://dl.example.com/app/\n", QStringLiteral("https://dl.example.com/app/latest-mac.yml")},
        {"provider: generic\nurl:https://dl.example.com:8443/app\n",
         QStringLiteral("https://dl.example.com:8443/app/latest-mac.yml")},
        {"provider: generic\nurl: https://dl.example.com\n", QStringLiteral("https://dl.example.com/latest-mac.yml")},
        {"provider: github\r\nowner: acme\r\nrepo: tool\r\n",
         QStringLiteral("https://github.com/acme/tool/releases/latest/download/latest-mac.yml")},
        {"\n\n::provider:github\n  owner : acme\nrepo: old\nrepo: tool", // leading colons, indents, last wins
         QStringLiteral("https://github.com/acme/tool/releases/latest/download/latest-mac.yml")},
        {"provider: s3\nbucket: b\n", std::nullopt},
        {"provider: GitHub\nowner: acme\nrepo: tool\n", std::nullopt},
        {"provider: github\nowner: acme\n", std::nullopt},
        {"provider: generic\nurl: ''\n", std::nullopt},
        {"provider: generic\n", std::nullopt},
        {"owner: acme\nrepo: tool\n", std::nullopt},
        {"provider:\nurl: https://dl.example.com\n", std::nullopt},
        {"", std::nullopt},
        {"provider: generic\nurl: https://dl.example.com/\xff\n", std::nullopt}, // not UTF-8
    };
    QTemporaryDir dir;
    const auto path = dir.filePath(QStringLiteral("app-update.yml"));
    for (const auto& c : cases) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.text);
        file.close();
        const auto feed = Scanner::electronFeed(path);
        EXPECT_EQ(feed ? std::optional(feed->toString()) : std::nullopt, c.expected) << c.text.constData();
    }
    EXPECT_EQ(Scanner::electronFeed(dir.filePath(QStringLiteral("missing.yml"))), std::nullopt);
}

TEST(ScannerElectronFeed, ReadsPublishedFiles) {
    const QString dir = QStringLiteral(QUENLARK_SHARED_DIR "/real-feeds/");
    const struct {
        const char* file;
        const char* expected;
    } cases[] = {
        {"app-update_arkwallet_github_vprefix.yml",
         "https://github.com/ArkEcosystem/desktop-wallet/releases/latest/download/latest-mac.yml"},
        {"app-update_pokemonstudio_github.yml",
         "https://github.com/PokemonWorkshop/PokemonStudio/releases/latest/download/latest-mac.yml"},
        {"app-update_pulsesync_generic_channel.yml", "https://s3.pulsesync.dev/builds/app/beta/latest-mac.yml"},
        {"app-update_wwsu_github_no_newline.yml",
         "https://github.com/Lovinity/wwsu-dj-controls/releases/latest/download/latest-mac.yml"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Scanner::electronFeed(dir + QLatin1String(c.file)), QUrl(QString::fromLatin1(c.expected))) << c.file;
}

TEST_F(ScannerTest, ReadsPublishedInfoPlists) {
    const QString dir = QStringLiteral(QUENLARK_SHARED_DIR "/real-feeds/");
    const struct {
        const char* file;
        const char* id;
        std::optional<QString> version;
        std::optional<QString> build;
        std::optional<QUrl> feed;
        std::optional<QString> edKey;
    } cases[] = {
        {"infoplist_built_flowdock_electron.plist", "com.github.electron", QStringLiteral("0.0.1"), QStringLiteral("0.0.1"), {}, {}},
        {"infoplist_built_minimal_no_versions.plist", "com.idle.game", {}, {}, {}, {}},
        {"infoplist_built_unity_nos.plist", "net.UFO-Studios.NOS", QStringLiteral("0.1.260413.0733"), QStringLiteral("0"), {}, {}},
        {"infoplist_src_lunar.plist", "$(PRODUCT_BUNDLE_IDENTIFIER)", QStringLiteral("$(MARKETING_VERSION)"),
         QStringLiteral("$(CURRENT_PROJECT_VERSION)"), QUrl(QStringLiteral("https://files.lunar.fyi/appcast2.xml")), QStringLiteral("lqnO6tg2A9evTIFo2SC9ArZ6NS84gtBshcAWdwh12xQ=")},
        {"infoplist_src_maccy.plist", "$(PRODUCT_BUNDLE_IDENTIFIER)", QStringLiteral("$(MARKETING_VERSION)"),
         QStringLiteral("$(CURRENT_PROJECT_VERSION)"), QUrl(QStringLiteral("https://raw.githubusercontent.com/p0deje/Maccy/master/appcast.xml")), {}},
        {"infoplist_src_xcodes.plist", "$(PRODUCT_BUNDLE_IDENTIFIER)", QStringLiteral("$(MARKETING_VERSION)"),
         QStringLiteral("$(CURRENT_PROJECT_VERSION)"), QUrl(QStringLiteral("https://www.xcodes.app/appcast.xml")), QStringLiteral("SEcz0vgUSeBTOoAXYe+64zea95G6lIf5NgzFs3InYJQ=")},
    };
    for (const auto& c : cases) {
        QFile source(dir + QLatin1String(c.file));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly)) << c.file;
        file(QStringLiteral("A/Sample.app/Contents/Info.plist"), source.readAll());
        const auto app = Scanner::read(path(QStringLiteral("A/Sample.app")), path(QStringLiteral("A")));
        ASSERT_TRUE(app) << c.file;
        EXPECT_EQ(app->bundleID, QString::fromLatin1(c.id)) << c.file;
        EXPECT_EQ(app->version, c.version) << c.file;
        EXPECT_EQ(app->build, c.build) << c.file;
        EXPECT_EQ(app->feedURL, c.feed) << c.file;
        EXPECT_EQ(app->edKey, c.edKey) << c.file;
    }
}

} // namespace
