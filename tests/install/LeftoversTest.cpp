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
const QString id = QStringLiteral("com.example.app");
const QString uuid = QStringLiteral("0A1B2C3D-4E5F-6789-ABCD-EF0123456789");

TEST(LeftoversPrefixed, ClassifiesByHostAndLaunchAgentEntries) {
    const QString host = QStringLiteral("Preferences/ByHost"), agents = QStringLiteral("LaunchAgents");
    const struct {
        QString entry, dir;
        Match expected;
    } cases[] = {
        {id + ".plist", host, Match::add},
        {id + "." + uuid + ".plist", host, Match::add},
        {id + ".0123456789ab.plist", host, Match::add},
        {id + ".beta." + uuid + ".plist", host, Match::ambiguous},
        {id + ".helper.plist", agents, Match::add},
        {id + ".LoginItem.plist", agents, Match::add},
        {id + ".foo.plist", agents, Match::ambiguous},
        {id + ".pro.plist", agents, Match::ambiguous},
        {"com.example.app2.plist", agents, Match::skip},
        {"COM.EXAMPLE.APP.helper.plist", agents, Match::skip},
        {id + ".helper", agents, Match::skip},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Leftovers::prefixed(c.entry, id, c.dir, {}), c.expected) << c.entry.toStdString();
    // The agent may belong to an installed application whose identifier extends this one.
    EXPECT_EQ(Leftovers::prefixed(id + ".Helper.plist", id, agents, {id + ".helper"}), Match::ambiguous);
    // ... in whatever case either is written.
    EXPECT_EQ(Leftovers::prefixed(id + ".Helper.plist", id, agents, {id + ".Helper"}), Match::ambiguous);
    EXPECT_EQ(Leftovers::prefixed(id + ".helper.plist", id, agents, {"COM.example.APP.HELPER"}), Match::ambiguous);
}

class LeftoversSearch : public ::testing::Test {
protected:
    QString at(const QString& rel) const { return library + "/" + rel; }

    // A folder when `rel` ends with "/", else a file of `bytes` bytes.
    void make(const QString& rel, qsizetype bytes = 10) const {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(at(rel)).path()));
        QFile f(at(rel));
        ASSERT_TRUE(rel.endsWith('/') || (f.open(QIODevice::WriteOnly) && f.write(QByteArray(bytes, 'x')) == bytes));
    }

    void link(const QString& target, const QString& rel) const {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(at(rel)).path()));
        ASSERT_TRUE(QFile::link(target, at(rel)));
    }

    static qint64 allocated(const QString& path) {
        struct stat st;
        return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? qint64(st.st_blocks) * 512 : -1;
    }

    static InstalledApp app(const QString& name, const QString& bundleID) {
        InstalledApp a;
        a.name = name;
        a.bundleID = bundleID;
        return a;
    }

    // The leftovers relative to the Library, ambiguous ones marked with "?".
    std::vector<std::string> found(const QString& name, const QString& bundleID, const QStringList& zap = {}) const {
        std::vector<std::string> out;
        for (const Leftover& item : Leftovers::find(app(name, bundleID), library, zap, {}))
            out.push_back((item.url.mid(library.size() + 1) + (item.ambiguous ? "?" : "")).toStdString());
        return out;
    }

    QTemporaryDir home;
    QString library = home.filePath(QStringLiteral("Library"));
};

TEST_F(LeftoversSearch, FindsEveryFolderOfTheTablesSortedByPath) {
    EXPECT_TRUE(found("Example", id).empty()); // no Library yet
    for (const char* rel : {"Application Support/%1/",
                            "Caches/%1/",
                            "Preferences/%1.plist",
                            "Containers/%1/",
                            "Application Scripts/%1/",
                            "Saved Application State/%1.savedState/",
                            "HTTPStorages/%1/",
                            "HTTPStorages/%1.binarycookies",
                            "WebKit/%1/",
                            "Cookies/%1.binarycookies",
                            "Logs/%1/",
                            "Preferences/ByHost/%1.%2.plist",
                            "Preferences/ByHost/%1.beta.%2.plist",
                            "Preferences/ByHost/com.other.app.%2.plist",
                            "LaunchAgents/%1.helper.plist",
                            "LaunchAgents/%1.foo.plist",
                            "LaunchAgents/%1x.plist",
                            "Group Containers/TEAM1234.%1/",
                            "Group Containers/%1/",
                            "Group Containers/TEAM1234.%1.shared/",
                            "Caches/%1.ShipIt/",
                            "Caches/weird*name",
                            "Application Support/Zapped/deep/",
                            "Application Support/Example/"})
        make(QString::fromLatin1(rel).arg(id, uuid));

    const QStringList zap = {"~/Library/Caches",
                             "~/Library/Caches/com.example.app.ShipIt",
                             "~/Library/Caches/weird*name",
                             "~/Library/Caches/other*",
                             "~/Library/Application Support/Zapped/",
                             "~/Library/../Documents",
                             "/Users/x/Library/Caches/com.example.app.ShipIt"};
    const std::vector<std::string> expected = {"Application Scripts/com.example.app",
                                               "Application Support/Zapped",
                                               "Application Support/com.example.app",
                                               "Caches/com.example.app",
                                               "Caches/com.example.app.ShipIt",
                                               "Caches/weird*name",
                                               "Containers/com.example.app",
                                               "Cookies/com.example.app.binarycookies",
                                               "Group Containers/TEAM1234.com.example.app",
                                               "Group Containers/com.example.app",
                                               "HTTPStorages/com.example.app",
                                               "HTTPStorages/com.example.app.binarycookies",
                                               "LaunchAgents/com.example.app.foo.plist?",
                                               "LaunchAgents/com.example.app.helper.plist",
                                               "Logs/com.example.app",
                                               "Preferences/ByHost/com.example.app." + uuid.toStdString() + ".plist",
                                               "Preferences/ByHost/com.example.app.beta." + uuid.toStdString() +
                                                   ".plist?",
                                               "Preferences/com.example.app.plist",
                                               "Saved Application State/com.example.app.savedState",
                                               "WebKit/com.example.app"};
    EXPECT_EQ(found("Example", id, zap), expected);

    // Containers are never measured; everything else is.
    for (const Leftover& item : runSync(Leftovers::search(app("Example", id), library, {}, {})))
        EXPECT_EQ(item.size.has_value(), !item.url.contains("Containers/")) << item.url.toStdString();
}

TEST_F(LeftoversSearch, NeverLeavesTheLibraryAndMeasuresWithoutFollowingLinks) {
    const QString outside = home.filePath("outside");
    ASSERT_TRUE(QDir().mkpath(outside));
    QFile secret(outside + "/secret");
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly) && secret.write(QByteArray(100000, 's')));
    secret.close();
    make("Caches/real/data", 5000);
    link(outside, "Application Support/" + id);           // leads out
    link(at("Caches/real"), "Caches/" + id);              // inside, two levels deep: listed as itself
    link(at("Caches/real"), "Logs/" + id);                // the same item again: the first path wins
    link(at("Caches"), "WebKit/" + id);                   // a top-level folder
    link(at("gone"), "Cookies/" + id + ".binarycookies"); // dangling
    link(outside + "/secret", "Caches/real/escape");      // not followed when measuring

    const auto items = Leftovers::find(app("", id), library, {}, {});
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].url, at("Caches/" + id));
    EXPECT_EQ(items[0].size, allocated(at("Caches/real/data")) + allocated(at("Caches/real/escape")));
    EXPECT_GE(*items[0].size, 5000);
}

TEST_F(LeftoversSearch, NamesAndIdentifiersOnlyAsPlainFileNames) {
    for (const QString& rel :
         QStringList{"Application Support/Vendor/Tool/", "Preferences/Vendor/Tool.plist", "Preferences/.plist",
                     "Preferences/ByHost/.GlobalPreferences." + uuid + ".plist", "Caches/Tool/", "Logs/Tool/",
                     "Logs/com.tool/", "Caches/Google/"})
        make(rel);
    EXPECT_TRUE(found("", "Vendor/Tool").empty());
    EXPECT_TRUE(found("Vendor/Tool", "com.vendor.tool").empty());
    EXPECT_TRUE(found("GOOGLE", "com.google.Chrome").empty()); // a vendor several products share
    // The name is searched where no folder carries the identifier.
    EXPECT_EQ(found("Tool", "com.tool"), (std::vector<std::string>{"Caches/Tool", "Logs/com.tool"}));
    EXPECT_EQ(found("Tool", ""), (std::vector<std::string>{"Caches/Tool", "Logs/Tool"}));
}

} // namespace
