#include "install/Leftovers.h"

#include "RunSync.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

using Leftovers::Match;

// A temporary home with a Library folder and a folder outside it.
class LeftoversSearch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        library = home.filePath(QStringLiteral("Library"));
        ASSERT_TRUE(QDir().mkpath(library));
    }

    QString at(const QString& rel) const { return library + QLatin1Char('/') + rel; }

    void folder(const QString& rel) const { ASSERT_TRUE(QDir().mkpath(at(rel))); }

    void file(const QString& rel, qsizetype bytes = 10) const { write(at(rel), bytes); }

    static void write(const QString& path, qsizetype bytes) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(bytes, 'x'));
    }

    void link(const QString& rel, const QString& target) const {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(at(rel)).absolutePath()));
        ASSERT_TRUE(QFile::link(target, at(rel)));
    }

    static qint64 allocated(const QString& path) {
        struct stat st;
        return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? qint64(st.st_blocks) * 512 : -1;
    }

    // The leftovers as paths relative to the Library, ambiguous ones marked with "?".
    std::vector<std::string> found(const InstalledApp& app, const QStringList& zap = {},
                                   const QSet<QString>& installed = {}) const {
        std::vector<std::string> out;
        for (const Leftover& item : Leftovers::find(app, library, zap, installed))
            out.push_back((item.url.mid(library.size() + 1) + (item.ambiguous ? "?" : "")).toStdString());
        return out;
    }

    static InstalledApp app(const QString& name, const QString& id) {
        InstalledApp a;
        a.name = name;
        a.bundleID = id;
        a.url = QStringLiteral("/Applications/") + name + QStringLiteral(".app");
        return a;
    }

    QTemporaryDir home;
    QString library;
};

const QString id = QStringLiteral("com.example.app");

std::vector<std::string> list(std::initializer_list<QString> items) {
    std::vector<std::string> out;
    for (const QString& item : items)
        out.push_back(item.toStdString());
    return out;
}
const QString uuid = QStringLiteral("0A1B2C3D-4E5F-6789-ABCD-EF0123456789");

TEST(LeftoversPrefixed, ClassifiesByHostAndLaunchAgentEntries) {
    const QString byHost = QStringLiteral("Preferences/ByHost");
    const QString agents = QStringLiteral("LaunchAgents");
    struct Case {
        QString entry;
        QString dir;
        Match expected;
    };
    const Case cases[] = {
        {id + ".plist", byHost, Match::add},
        {id + "." + uuid + ".plist", byHost, Match::add},
        {id + ".0123456789ab.plist", byHost, Match::add},
        {id + ".0123456789a.plist", byHost, Match::ambiguous},
        {id + ".beta." + uuid + ".plist", byHost, Match::ambiguous},
        {id + ".helper.plist", agents, Match::add},
        {id + ".LoginItem.plist", agents, Match::add},
        {id + ".agent2.plist", agents, Match::add},
        {id + ".updater.plist", agents, Match::add},
        {id + ".foo.plist", agents, Match::ambiguous},
        {id + ".a.b.plist", agents, Match::ambiguous},
        {id + ".pro.plist", agents, Match::ambiguous},
        {id + ".helper.plist", QStringLiteral("Preferences"), Match::ambiguous},
        {QStringLiteral("com.example.app2.plist"), agents, Match::skip},
        {QStringLiteral("COM.EXAMPLE.APP.helper.plist"), agents, Match::skip},
        {id + ".helper", agents, Match::skip},
        {id + "..plist", agents, Match::skip},
        {id + ".plist.bak", agents, Match::skip},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Leftovers::prefixed(c.entry, id, c.dir, {}), c.expected) << c.entry.toStdString();

    // The agent may belong to an installed application whose identifier extends this one.
    const QSet<QString> installed = {id + QStringLiteral(".helper")};
    EXPECT_EQ(Leftovers::prefixed(id + ".helper.plist", id, agents, installed), Match::ambiguous);
    EXPECT_EQ(Leftovers::prefixed(id + ".Helper.plist", id, agents, installed), Match::ambiguous);
}

TEST_F(LeftoversSearch, FindsEveryFolderOfTheTablesSortedByPath) {
    const QStringList own = {
        "Application Support/" + id, "Caches/" + id, "Preferences/" + id + ".plist", "Containers/" + id,
        "Application Scripts/" + id, "Saved Application State/" + id + ".savedState", "HTTPStorages/" + id,
        "HTTPStorages/" + id + ".binarycookies", "WebKit/" + id, "Cookies/" + id + ".binarycookies", "Logs/" + id,
    };
    for (const QString& rel : own)
        rel.contains(QLatin1String(".plist")) || rel.contains(QLatin1String("cookies")) ? file(rel) : folder(rel);
    folder("Application Support/Example");  // not searched: the identifier folder exists
    file("Preferences/ByHost/" + id + "." + uuid + ".plist");
    file("Preferences/ByHost/" + id + ".beta." + uuid + ".plist");
    file("Preferences/ByHost/com.other.app." + uuid + ".plist");
    file("LaunchAgents/" + id + ".helper.plist");
    file("LaunchAgents/" + id + ".foo.plist");
    file("LaunchAgents/" + id + "2.plist");
    folder("Group Containers/TEAM1234." + id);
    folder("Group Containers/" + id);
    folder("Group Containers/TEAM1234." + id + ".shared");
    folder("Caches/com.example.app.ShipIt");
    file("Caches/weird*name");
    folder("Application Support/Zapped/deep");

    const QStringList zap = {
        "~/Library/Caches", "~/Library/Caches/com.example.app.ShipIt", "~/Library/Caches/weird*name",
        "~/Library/Caches/other*", "~/Library/Application Support/Zapped/", "~/Library/../Documents",
        "/Users/x/Library/Caches/com.example.app.ShipIt",
    };
    EXPECT_EQ(found(app(QStringLiteral("Example"), id), zap),
              list({
                  "Application Scripts/" + id,
                  "Application Support/Zapped",
                  "Application Support/" + id,
                  "Caches/" + id,
                  "Caches/com.example.app.ShipIt",
                  "Caches/weird*name",
                  "Containers/" + id,
                  "Cookies/" + id + ".binarycookies",
                  "Group Containers/TEAM1234." + id,
                  "Group Containers/" + id,
                  "HTTPStorages/" + id,
                  "HTTPStorages/" + id + ".binarycookies",
                  "LaunchAgents/" + id + ".foo.plist?",
                  "LaunchAgents/" + id + ".helper.plist",
                  "Logs/" + id,
                  "Preferences/ByHost/" + id + "." + uuid + ".plist",
                  "Preferences/ByHost/" + id + ".beta." + uuid + ".plist?",
                  "Preferences/" + id + ".plist",
                  "Saved Application State/" + id + ".savedState",
                  "WebKit/" + id,
              }));

    // Containers are never measured; everything else is.
    for (const Leftover& item : Leftovers::find(app(QStringLiteral("Example"), id), library, {}, {})) {
        const bool container = item.url.contains(QLatin1String("Containers/"));
        EXPECT_EQ(item.size.has_value(), !container) << item.url.toStdString();
    }
}

TEST_F(LeftoversSearch, SearchesByNameOnlyWhereTheIdentifierFolderIsMissing) {
    folder("Application Support/Example");
    folder("Caches/Example");
    folder("Caches/" + id);
    folder("Logs/Example");
    EXPECT_EQ(found(app(QStringLiteral("Example"), id)),
              list({"Application Support/Example", "Caches/" + id, "Logs/Example"}));

    // A vendor name shared by several products gives no name-based candidates, in any case.
    folder("Application Support/Google");
    folder("Caches/Google");
    folder("Caches/com.google.Chrome");
    EXPECT_EQ(found(app(QStringLiteral("GOOGLE"), QStringLiteral("com.google.Chrome"))),
              list({"Caches/com.google.Chrome"}));
}

TEST_F(LeftoversSearch, NeverLeavesTheLibraryAndKeepsTheFirstPathToEachItem) {
    const QString outside = home.filePath(QStringLiteral("outside"));
    write(outside + "/secret", 100000);
    link("Application Support/" + id, outside);  // leads out: dropped
    folder("Caches/real");
    file("Caches/real/data", 5000);
    link("Caches/" + id, at("Caches/real"));                // inside, two levels deep: listed as itself
    link("Logs/" + id, at("Caches/real"));                  // same item again: the first one wins
    link("WebKit/" + id, at("Caches"));                     // a top-level folder: dropped
    link("Cookies/" + id + ".binarycookies", at("gone"));   // dangling: dropped
    link("Caches/real/escape", outside + "/secret");        // not followed when measuring

    const auto items = Leftovers::find(app(QString(), id), library, {}, {});
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].url, at("Caches/" + id));
    EXPECT_EQ(items[0].size, allocated(at("Caches/real/data")) + allocated(at("Caches/real/escape")));
    EXPECT_LT(*items[0].size, allocated(outside + "/secret"));

    // The Library folder itself may be reached through a link.
    const QString alias = home.filePath(QStringLiteral("alias"));
    ASSERT_TRUE(QFile::link(library, alias));
    const auto viaAlias = Leftovers::find(app(QString(), id), alias, {}, {});
    ASSERT_EQ(viaAlias.size(), 1);
    EXPECT_EQ(viaAlias[0].url, alias + "/Caches/" + id);
}

TEST_F(LeftoversSearch, IdentifiersAndNamesNeverBecomeOtherPaths) {
    // Another application's folder and the system's by-host preferences.
    folder("Application Support/Vendor/Tool");
    file("Preferences/Vendor/Tool.plist");
    file("Preferences/ByHost/.GlobalPreferences." + uuid + ".plist");
    file("Preferences/.plist");
    EXPECT_TRUE(found(app(QString(), QStringLiteral("Vendor/Tool"))).empty());
    EXPECT_TRUE(found(app(QStringLiteral("Vendor/Tool"), QStringLiteral("com.vendor.tool"))).empty());
    EXPECT_TRUE(found(app(QString(), QString())).empty());

    // Without an identifier the name is still searched.
    folder("Caches/Tool");
    EXPECT_EQ(found(app(QStringLiteral("Tool"), QString())), list({"Caches/Tool"}));
}

TEST_F(LeftoversSearch, EmptyWhenNothingIsLeftOrThereIsNoLibrary) {
    folder("Caches/com.other.app");
    EXPECT_TRUE(found(app(QStringLiteral("Example"), id)).empty());
    folder("Caches/" + id);
    EXPECT_TRUE(Leftovers::find(app(QStringLiteral("Example"), id), home.filePath("Missing"), {}, {}).empty());
}

TEST_F(LeftoversSearch, MeasuresFilesAndFoldersByAllocatedSize) {
    file("Caches/" + id + "/a", 70000);
    file("Caches/" + id + "/.hidden/b", 3);
    file("Preferences/" + id + ".plist", 1);
    const auto items = runSync(Leftovers::search(app(QStringLiteral("Example"), id), library, {}, {}));
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].size, allocated(at("Caches/" + id + "/a")) + allocated(at("Caches/" + id + "/.hidden/b")));
    EXPECT_GE(*items[0].size, 70000);
    EXPECT_EQ(items[1].size, allocated(at("Preferences/" + id + ".plist")));
    EXPECT_EQ(Leftovers::size(at("nothing")), 0);
}

} // namespace
