#include "install/Updater.h"
#include "platform/files/Removal.h"
#include "runtime/UpdateError.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

namespace {

struct Case {
    const char* what;
    QList<std::pair<QString, QString>> links; // path below the root -> target ("@" = the root)
    const char* refusal;                      // nullptr: accepted
};

} // namespace

TEST(Confine, RefusesLinksThatLeaveTheUnpackedTree) {
    const QList<Case> cases = {
        {"sibling folder", {{"A.app/Contents/Current", "../Contents/MacOS"}}, nullptr},
        {"climbs past the root",
         {{"A.app/Contents/up", "../../../etc"}},
         "The download contains a link to a location outside the app (up \u2192 ../../../etc). Refusing to install."},
        {"absolute inside", {{"A.app/abs", "@/A.app/Contents"}}, nullptr},
        {"absolute elsewhere",
         {{"A.app/tmp", "/tmp"}},
         "The download contains a link to a location outside the app (tmp \u2192 /tmp). Refusing to install."},
        {"dangling but inside", {{"A.app/missing", "Contents/nothing/here"}}, nullptr},
        {"dangling, climbing out through another link",
         {{"A.app/here", "."}, {"A.app/Contents/escape", "../here/../../nothing"}},
         "The download contains a link to a location outside the app (escape \u2192 ../here/../../nothing). "
         "Refusing to install."},
        {"chain leaving through a second link",
         {{"A.app/first", "second"}, {"A.app/second", "/etc"}},
         nullptr /* checked below: either link may be named */},
        {"linked folder leaving the tree",
         {{"A.app/ext", "/usr"}},
         "The download contains a link to a location outside the app (ext \u2192 /usr). Refusing to install."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString root = QDir(dir.filePath("extracted")).absolutePath();
        QDir().mkpath(root + "/A.app/Contents/MacOS");
        for (const auto& [path, target] : c.links) {
            QString t = target;
            t.replace("@", QDir(root).canonicalPath());
            ASSERT_EQ(symlink(QFile::encodeName(t).constData(), QFile::encodeName(root + "/" + path).constData()), 0);
        }
        const bool chain = QString(c.what).startsWith("chain");
        try {
            Updater::confine(root);
            EXPECT_TRUE(c.refusal == nullptr && !chain) << "accepted";
        } catch (const UpdateError& e) {
            if (chain)
                EXPECT_TRUE(e.description().contains("(second \u2192 /etc)") ||
                            e.description().contains("(first \u2192 second)"));
            else
                EXPECT_EQ(e.description().toStdString(), c.refusal ? c.refusal : "accepted");
            EXPECT_FALSE(e.needsPermission || e.final);
        }
    }
}

TEST(Confine, AMissingRootCannotBeUnpacked) {
    try {
        Updater::confine("/nonexistent/extracted");
        FAIL() << "no error";
    } catch (const UpdateError& e) {
        EXPECT_EQ(e.description(), "The download couldn't be unpacked.");
    }
}

TEST(Confine, AnEntryThatCantBeLookedAtRefusesTheTree) {
    // Deeper than the longest path: below some depth no entry can be looked at by its path, and
    // a link down there must not pass for want of being seen.
    QTemporaryDir dir;
    const QString root = dir.filePath("extracted");
    ASSERT_TRUE(QDir().mkpath(root));
    int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 2100; ++i) {
        ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ASSERT_EQ(::symlinkat("/etc", fd, "escape"), 0);
    ::close(fd);
    try {
        Updater::confine(root);
        ADD_FAILURE() << "a tree that could not be looked at was accepted";
    } catch (const UpdateError& e) {
        EXPECT_EQ(e.description(), "The download couldn't be unpacked.");
    }
    Removal::removeItem(root);
}
