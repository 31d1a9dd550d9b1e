#include "model/Launch.h"
#include "model/Prefs.h"
#include "platform/system/PropertyList.h"
#include "platform/system/ReferenceDate.h"

#include "FakeShell.h"
#include "Tells.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <sys/stat.h>

namespace {

class PrefsTest : public ::testing::Test {
protected:
    void SetUp() override { restart({}); }
    void TearDown() override {
        Prefs::resetForTest();
        Defaults::resetForTest();
        Launch::setArgsForTest({});
        QDir(Defaults::folder()).removeRecursively();
    }

    // A new start of the program with these arguments; the files stay.
    static Prefs& restart(const QStringList& args) {
        Prefs::resetForTest();
        Defaults::resetForTest();
        Launch::setArgsForTest(args);
        return Prefs::shared();
    }

    // Writes a standard domain file as an earlier run (or another program) left it.
    static void store(const QVariantMap& values) {
        Prefs::resetForTest();
        Defaults::resetForTest();
        QDir().mkpath(Defaults::folder());
        QFile file(Defaults::folder() + "/com.quenlark.Quenlark.plist");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(*PropertyList::toXml(values));
    }

    static QVariantMap onDisk(const QString& domain = Defaults::standardName) {
        Defaults::flushAll();
        return PropertyList::dictionaryFromFile(Defaults::folder() + "/" + domain + ".plist").value_or(QVariantMap());
    }
};


} // namespace

TEST_F(PrefsTest, AFirstStartGivesTheDefaultsAndWritesNothing) {
    QDir(Defaults::folder()).removeRecursively();
    const Prefs& p = restart({});
    EXPECT_FALSE(p.hideAppStore());
    EXPECT_TRUE(p.showMenuBar());
    EXPECT_EQ(p.intervalHours(), 24);
    EXPECT_TRUE(p.ignoredApps().isEmpty());
    EXPECT_TRUE(p.ignoredVersions().isEmpty());
    EXPECT_TRUE(p.notified().isEmpty());
    EXPECT_EQ(p.notchMode(), NotchMode::smart);
    EXPECT_TRUE(p.quietHours());
    EXPECT_EQ(p.quietFrom(), 22);
    EXPECT_EQ(p.quietTo(), 8);
    EXPECT_FALSE(p.onboarded());
    EXPECT_EQ(p.theme(), Theme::dark);
    EXPECT_FALSE(p.toured());
    EXPECT_FALSE(p.nudgeDismissed());
    EXPECT_EQ(p.nudgeDismissals(), 0);
    EXPECT_EQ(p.notchMemory(), NotchMemory());
    EXPECT_EQ(p.deviceName(), QString());
    EXPECT_FALSE(QFile::exists(Defaults::folder() + "/com.quenlark.Quenlark.plist"));
}

TEST_F(PrefsTest, ReadsStoredValuesWithTheirFallBacks) {
    const auto when = *ReferenceDate::fromSeconds(780000000);
    struct Case {
        const char* name;
        QVariantMap stored;
        std::function<bool(const Prefs&)> holds;
    };
    const Case cases[] = {
        {"legacy notch switch off", {{"notchPanel", false}}, [](auto& p) { return p.notchMode() == NotchMode::never; }},
        {"mode beats the legacy switch",
         {{"notchMode", "daily"}, {"notchPanel", false}},
         [](auto& p) { return p.notchMode() == NotchMode::daily; }},
        {"unknown mode falls to the legacy switch",
         {{"notchMode", "Daily"}},
         [](auto& p) { return p.notchMode() == NotchMode::smart; }},
        {"unknown theme", {{"theme", "Light"}}, [](auto& p) { return p.theme() == Theme::dark; }},
        {"skipped versions",
         {{"ignoredVersions", QVariantMap{{"a", "2.0"}, {"b", "3"}}}},
         [](auto& p) {
             return p.ignoredVersions() == QMap<QString, QString>{{"a", "2.0"}, {"b", "3"}};
         }},
        {"one number empties the skipped versions",
         {{"ignoredVersions", QVariantMap{{"a", "2.0"}, {"b", 3}}}},
         [](auto& p) { return p.ignoredVersions().isEmpty(); }},
        {"stored zero beats the registered interval",
         {{"intervalHours", 0}},
         [](auto& p) { return p.intervalHours() == 0; }},
        {"text where a Boolean belongs", {{"showMenuBar", "yes"}}, [](auto& p) { return !p.showMenuBar(); }},
        {"nudge date", {{"nudgeDismissed", when}}, [when](auto& p) { return p.nudgeDismissed() == when; }},
        {"nudge date of the wrong type", {{"nudgeDismissed", 5}}, [](auto& p) { return !p.nudgeDismissed(); }},
        {"undecodable notch memory",
         {{"notchMemory", QByteArray("{\"dismissals\":1}")}},
         [](auto& p) { return p.notchMemory() == NotchMemory(); }},
        {"notch memory",
         {{"notchMemory",
           QByteArray(R"({"lastShownKeys":["k"],"dismissedKeys":[],"dismissals":3,"askedToStop":true})")}},
         [](auto& p) { return p.notchMemory().dismissals == 3 && p.notchMemory().askedToStop; }},
    };
    for (const auto& c : cases) {
        store(c.stored);
        EXPECT_TRUE(c.holds(restart({}))) << c.name;
    }
}

TEST_F(PrefsTest, SkipOnboardingCountsWithoutBeingStored) {
    EXPECT_TRUE(restart({"--skip-onboarding"}).onboarded());
    EXPECT_FALSE(onDisk().contains("onboarded"));
    EXPECT_FALSE(restart({}).onboarded());
    Prefs::shared().setOnboarded(true);
    EXPECT_TRUE(restart({}).onboarded());
}

TEST_F(PrefsTest, ASandboxRunStartsFromTheDefaultsInItsOwnSuite) {
    QTemporaryDir sandbox;
    Prefs& first = restart({"--sandbox", sandbox.path()});
    EXPECT_FALSE(first.quietHours());
    first.setTheme(Theme::light);
    first.setIntervalHours(2);
    EXPECT_EQ(onDisk(Prefs::sandboxSuite).value("theme"), QVariant("light"));
    EXPECT_TRUE(onDisk().isEmpty());

    const Prefs& second = restart({"--sandbox", sandbox.path()});
    EXPECT_EQ(second.theme(), Theme::dark);
    EXPECT_EQ(second.intervalHours(), 24);
    EXPECT_FALSE(QFile::exists(Defaults::folder() + "/" + Prefs::sandboxSuite + ".plist"));
    EXPECT_TRUE(restart({}).quietHours());
}

TEST_F(PrefsTest, WritesEveryAssignmentAndTellsOnlyOfChanges) {
    FakeShell shell;
    Prefs& p = Prefs::shared();
    NotchMemory memory;
    memory.dismissals = 1;
    const auto when = *ReferenceDate::fromSeconds(790000000);
    struct Case {
        const char* key;
        std::function<void()> read, same, other;
        QVariant written; // what the file holds after `other`
    };
    const Case cases[] = {
        {"showMenuBar", [&] { p.showMenuBar(); }, [&] { p.setShowMenuBar(true); }, [&] { p.setShowMenuBar(false); },
         false},
        {"ignoredVersions", [&] { p.ignoredVersions(); }, [&] { p.setIgnoredVersions({}); },
         [&] {
             p.setIgnoredVersions({{"com.example.A", "2.0"}});
         },
         QVariantMap{{"com.example.A", "2.0"}}},
        {"theme", [&] { p.theme(); }, [&] { p.setTheme(Theme::dark); }, [&] { p.setTheme(Theme::system); }, "system"},
        {"notchMemory", [&] { p.notchMemory(); }, [&] { p.setNotchMemory(NotchMemory()); },
         [&] { p.setNotchMemory(memory); }, memory.toJson()},
        {"nudgeDismissed", [&] { p.nudgeDismissed(); }, [&] { p.setNudgeDismissed(std::nullopt); },
         [&] { p.setNudgeDismissed(when); }, when},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(tells(c.read, c.same)) << c.key;
        if (QString(c.key) != "nudgeDismissed") {
            EXPECT_TRUE(onDisk().contains(c.key)) << c.key << ": an equal value is still written";
        }
        EXPECT_TRUE(tells(c.read, c.other)) << c.key;
        EXPECT_EQ(onDisk().value(c.key), c.written) << c.key;
    }
    p.setNudgeDismissed(std::nullopt);
    EXPECT_FALSE(onDisk().contains("nudgeDismissed"));
    EXPECT_EQ(restart({}).notchMemory(), memory);
}

TEST_F(PrefsTest, AppliesTheThemeUnlessTheAppearanceOptionDecides) {
    FakeShell shell;
    Prefs& p = Prefs::shared();
    p.applyTheme();
    p.setTheme(Theme::system);
    p.setTheme(Theme::light);
    ASSERT_EQ(shell.appearances.size(), 3);
    EXPECT_TRUE(shell.appearances[0].dark && !shell.appearances[0].followSystem);
    EXPECT_TRUE(shell.appearances[1].followSystem);
    EXPECT_TRUE(!shell.appearances[2].dark && !shell.appearances[2].followSystem);

    const std::pair<QStringList, bool> forced[] = {
        {{"--appearance", "dark"}, true},
        {{"--appearance", "Dark"}, false},
        {{"--appearance", "--reduce-motion"}, false},
        {{"--appearance", "dark", "--appearance", "light"}, true},
    };
    for (const auto& [args, dark] : forced) {
        shell.appearances.clear();
        restart(args).setTheme(Theme::system);
        ASSERT_EQ(shell.appearances.size(), 1) << args.join(' ').toStdString();
        EXPECT_EQ(shell.appearances[0].dark, dark) << args.join(' ').toStdString();
        EXPECT_FALSE(shell.appearances[0].followSystem) << args.join(' ').toStdString();
    }
    shell.appearances.clear();
    restart({"--appearance"}).applyTheme(); // no value: the theme decides
    ASSERT_EQ(shell.appearances.size(), 1);
    EXPECT_TRUE(shell.appearances[0].followSystem);
}

// Texts from feeds may hold what XML can not: every setting must still come back at the next
// start, and the settings stay the user's own whatever the umask.
TEST_F(PrefsTest, EverySettingSurvivesTextsXmlCanNotCarry) {
    FakeShell shell;
    const mode_t umaskBefore = ::umask(0);
    QDir(Defaults::folder()).removeRecursively();
    Prefs& p = restart({});
    const QString odd = QStringLiteral("2.0") + QChar(0x0001) + QChar(0xFFFE);
    p.setOnboarded(true);
    p.setTheme(Theme::light);
    p.setQuietHours(false);
    // An entry holding a NUL stays for this run and out of the file; the rest of its list is kept.
    const QString nul = QString::fromUtf8("2.0\0", 4);
    p.setIgnoredApps({QStringLiteral("com.example.kept"), QStringLiteral("com.example.") + nul});
    p.setIgnoredVersions({{QStringLiteral("com.example.tool"), odd}, {QStringLiteral("com.example.nul"), nul}});
    p.setNotified({QStringLiteral("com.example.tool@") + odd, QStringLiteral("com.example.nul@") + nul});
    EXPECT_EQ(p.notified().size(), 2);
    p.setDeviceName(QStringLiteral("Desk\u0007"));
    ::umask(umaskBefore);

    const Prefs& again = restart({});
    EXPECT_TRUE(again.onboarded());
    EXPECT_EQ(again.theme(), Theme::light);
    EXPECT_FALSE(again.quietHours());
    EXPECT_EQ(again.ignoredApps(), QStringList{QStringLiteral("com.example.kept")});
    EXPECT_EQ(again.ignoredVersions().value(QStringLiteral("com.example.tool")), odd);
    EXPECT_EQ(again.notified(), QStringList{QStringLiteral("com.example.tool@") + odd});
    EXPECT_EQ(again.deviceName(), QStringLiteral("Desk\u0007"));
    EXPECT_EQ(QDir(Defaults::folder()).entryList({QStringLiteral("*.corrupt-*")}, QDir::Files), QStringList());

    struct stat folder {
    }, file{};
    ASSERT_EQ(::stat(QFile::encodeName(Defaults::folder()).constData(), &folder), 0);
    ASSERT_EQ(::stat(QFile::encodeName(Defaults::folder() + "/com.quenlark.Quenlark.plist").constData(), &file), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    EXPECT_EQ(file.st_mode & 0777, 0600u);

    // What can not be kept at all is refused: the old value stays and nobody is told.
    Prefs& now = Prefs::shared();
    EXPECT_FALSE(tells([&] { now.deviceName(); }, [&] { now.setDeviceName(QString::fromUtf8("a\0b", 3)); }));
    EXPECT_EQ(now.deviceName(), QStringLiteral("Desk\u0007"));
}
