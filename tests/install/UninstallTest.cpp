#include "install/Uninstall.h"

#include "model/MainBundle.h"
#include "runtime/FileError.h"
#include "runtime/UpdateError.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// A temporary home with Applications/Example.app, a Library, a Documents folder outside both, and
// a trash folder the fake trash moves into.
class UninstallTree : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* rel : {"Applications/Example.app/Contents/MacOS/Example", "Documents/keep.txt", "Trash/",
                                "Library/Caches/com.example.app/cache.db", "Library/Logs/com.example.app/log.txt",
                                "Library/LaunchAgents/com.example.app.helper.plist"})
            make(rel);
        app.name = "Example";
        app.bundleID = "com.example.app";
        app.url = at("Applications/Example.app");
        context.applications = at("Applications");
        context.running = [this](const InstalledApp&) { return isRunning; };
        context.moveToTrash = [this](const QString& path) {
            if (path.endsWith(refuse))
                throw FileError(FileError::Op::Move, path, refusal);
            events.push_back("trash " + path.mid(root.size() + 1).toStdString());
            ASSERT_EQ(::rename(QFile::encodeName(path), QFile::encodeName(at("Trash/") + QFileInfo(path).fileName())),
                      0);
        };
        context.run = [this](const QString& tool, const QStringList& args) {
            events.push_back("run " + tool.toStdString() + " " + args.join(' ').toStdString());
            throw UpdateError("launchctl failed: Boot-out failed: 3: No such process");
        };
    }

    QString at(const QString& rel) const { return root + "/" + rel; }

    // A folder when `rel` ends with "/", else a small file.
    void make(const QString& rel) const {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(at(rel)).path()));
        QFile f(at(rel));
        ASSERT_TRUE(rel.endsWith('/') || (f.open(QIODevice::WriteOnly) && f.write("data") == 4));
    }

    void link(const QString& target, const QString& rel) const {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(at(rel)).path()));
        ASSERT_TRUE(QFile::link(at(target), at(rel)));
    }

    bool present(const QString& rel) const { return QFileInfo(at(rel)).exists() || QFileInfo(at(rel)).isSymLink(); }

    std::string snapshot() const {
        QStringList all;
        for (QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                             QDirIterator::Subdirectories);
             it.hasNext();)
            all << it.next();
        all.sort();
        return all.join('\n').toStdString();
    }

    QStringList uninstall(const QStringList& rels, bool permanently = false) {
        QStringList data;
        for (const QString& rel : rels)
            data << (rel.startsWith('/') ? rel : at(rel));
        return Uninstall::uninstall(app, data, library, permanently, context);
    }

    QTemporaryDir home;
    QString root = QFileInfo(home.path()).canonicalFilePath();
    QString library = at("Library");
    InstalledApp app;
    Uninstall::Context context;
    bool isRunning = false;
    QString refuse = "-";
    int refusal = EPERM;
    std::vector<std::string> events;
};

TEST_F(UninstallTree, EveryRefusalComesBeforeAnythingIsTouched) {
    make("Documents/Elsewhere.app/Contents/MacOS/x");
    link("Documents/Elsewhere.app", "Applications/Linked.app");
    link("Library/Caches/com.example.app", "Documents/into-library");
    const QString cache = "Library/Caches/com.example.app", apps = at("Applications");
    const auto refused = [&](const QString& rel) {
        return "Refusing to remove " + at(rel) + ": it isn't an app's own folder inside " + library + ".";
    };
    const struct {
        std::function<void()> arrange;
        QStringList data;
        QString sentence;
    } cases[] = {
        {[&] { app.bundleID = "com.apple.Notes"; }, {cache}, "\u2068Example\u2069 is part of macOS or an Apple app."},
        {[&] { app.bundleID = MainBundle::identifier(); },
         {cache},
         "Quenlark can't remove itself. Drag it to the Trash from Applications."},
        {[&] { app.url = at("Documents/Elsewhere.app"); }, {cache}, "\u2068Example\u2069 isn't inside " + apps + "."},
        {[&] { app.url = at("Applications/Linked.app"); }, {cache}, "\u2068Example\u2069 isn't inside " + apps + "."},
        {[&] { isRunning = true; }, {cache}, "\u2068Example\u2069 is running. Quit it first."},
        {[&] { library = at("Nowhere"); }, {cache}, at("Nowhere") + " doesn't exist."},
        {nullptr, {cache, "Documents/keep.txt"}, refused("Documents/keep.txt")},
        {nullptr, {cache, "Library/Caches"}, refused("Library/Caches")},
        {nullptr, {cache, cache + ".gone"}, refused(cache + ".gone")},
        {nullptr, {"Documents/into-library"}, refused("Documents/into-library")},
        {nullptr, {cache + "/../../../Documents"}, refused(cache + "/../../../Documents")},
    };
    const std::string before = snapshot();
    const InstalledApp original = app;
    for (const auto& c : cases) {
        app = original;
        library = at("Library");
        isRunning = false;
        if (c.arrange)
            c.arrange();
        try {
            uninstall(c.data);
            ADD_FAILURE() << "not refused: " << c.sentence.toStdString();
        } catch (const UpdateError& error) {
            EXPECT_EQ(error.description().toStdString(), c.sentence.toStdString());
            EXPECT_FALSE(error.needsPermission || error.final);
        }
        EXPECT_EQ(snapshot(), before);
        EXPECT_TRUE(events.empty());
    }
}

TEST_F(UninstallTree, AMissingLibraryKeepsOnlyLeftoversFromBeingRemoved) {
    library = at("Nowhere");
    EXPECT_EQ(uninstall({}), QStringList{app.url});
    EXPECT_FALSE(present("Applications/Example.app"));
    EXPECT_TRUE(present("Trash/Example.app"));
}

TEST_F(UninstallTree, TrashesInOrderBootingOutAgentsOutsideTheSandbox) {
    const QStringList removed =
        uninstall({"Library/LaunchAgents/com.example.app.helper.plist", "Library/Caches/com.example.app/"});
    EXPECT_EQ(removed, QStringList({app.url, at("Library/LaunchAgents/com.example.app.helper.plist"),
                                    at("Library/Caches/com.example.app")}));
    EXPECT_EQ(events,
              (std::vector<std::string>{"trash Applications/Example.app",
                                        "run /bin/launchctl bootout gui/" + std::to_string(::getuid()) + " " +
                                            at("Library/LaunchAgents/com.example.app.helper.plist").toStdString(),
                                        "trash Library/LaunchAgents/com.example.app.helper.plist",
                                        "trash Library/Caches/com.example.app"}));
    EXPECT_TRUE(present("Trash/com.example.app/cache.db"));

    ASSERT_TRUE(QDir(at("Trash")).removeRecursively());
    SetUp();
    events.clear();
    context.sandbox = true;
    uninstall({"Library/LaunchAgents/com.example.app.helper.plist"});
    EXPECT_EQ(events, (std::vector<std::string>{"trash Applications/Example.app",
                                                "trash Library/LaunchAgents/com.example.app.helper.plist"}));
}

TEST_F(UninstallTree, PermanentDeletionRemovesLinksNeverWhatTheyPointTo) {
    link("Documents", "Library/Logs/com.example.app/documents");
    link("Documents/keep.txt", "Library/Logs/com.example.app/note");
    make("Library/Caches/shared/blob");
    link("Library/Caches/shared", "Library/Caches/com.example.app.link");
    const QStringList removed = uninstall({"Library/Logs/com.example.app", "Library/Caches/com.example.app.link/.",
                                           "Library/Logs/com.example.app/log.txt"},
                                          true); // goes with its folder
    EXPECT_EQ(removed.size(), 4);
    EXPECT_FALSE(present("Applications/Example.app") || present("Library/Logs/com.example.app") ||
                 present("Library/Caches/com.example.app.link"));
    EXPECT_TRUE(present("Library/Caches/shared/blob") && present("Documents/keep.txt"));
    EXPECT_TRUE(events.empty());
}

TEST_F(UninstallTree, RefusedRemovalsOfTheBundleAndOfALeftover) {
    refuse = "Example.app";
    refusal = EPERM;
    try {
        uninstall({});
        FAIL() << "no error";
    } catch (const UpdateError& error) {
        EXPECT_EQ(error.description(),
                  "macOS blocked Quenlark from changing \u2068Example\u2069. Turn on Quenlark in System "
                  "Settings \u203A Privacy & Security \u203A App Management, then try again.");
        EXPECT_TRUE(error.needsPermission);
    }
    refusal = EROFS;
    EXPECT_THROW(uninstall({}), FileError);
    EXPECT_TRUE(present("Applications/Example.app/Contents/MacOS/Example"));

    // A leftover's own error passes unchanged; what went before stays gone.
    refuse = "Logs/com.example.app";
    refusal = EPERM;
    EXPECT_THROW(uninstall({"Library/Caches/com.example.app", "Library/Logs/com.example.app"}), FileError);
    EXPECT_FALSE(present("Applications/Example.app") || present("Library/Caches/com.example.app"));
    EXPECT_TRUE(present("Library/Logs/com.example.app"));
}

TEST_F(UninstallTree, StandardContextUsesTheTrashFolderAndTheLaunchctlStandIn) {
    const QString log = qEnvironmentVariable("XDG_STATE_HOME") + "/com.quenlark.Quenlark/launchctl.log";
    QFile::remove(log);
    make("Trash/Example.app/");
    // The folder is resolved: reached through a link it still holds its applications.
    ASSERT_TRUE(QFile::link(at("Applications"), at("Apps")));
    context = Uninstall::Context::standard(at("Apps"), at("Trash"), false);
    uninstall({"Library/LaunchAgents/com.example.app.helper.plist"});
    EXPECT_TRUE(present("Trash/Example 2.app/Contents/MacOS/Example") && present("Trash/com.example.app.helper.plist"));
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(), "bootout gui/" + std::to_string(::getuid()) + " " +
                                             at("Library/LaunchAgents/com.example.app.helper.plist").toStdString() +
                                             "\n");
}

TEST(UninstallFailure, MentionsTheTrashOnlyWhenNothingWasDeleted) {
    const QString sentence = "The file couldn't be removed.";
    EXPECT_EQ(Uninstall::failureText(sentence, false),
              sentence + " Anything already moved is in the Trash and can be put back from there.");
    EXPECT_EQ(Uninstall::failureText(sentence, true), sentence);
}

} // namespace
