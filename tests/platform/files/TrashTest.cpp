#include "platform/files/FileOps.h"
#include "platform/files/Removal.h"
#include "platform/files/Trash.h"
#include "runtime/FileError.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <cerrno>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void makeItem(const QString& path, const QByteArray& mark = "old") {
    QDir().mkpath(path + "/Contents");
    QFile f(path + "/Contents/mark");
    f.open(QIODevice::WriteOnly);
    f.write(mark);
}

QByteArray markOf(const QString& path) {
    QFile f(path + "/Contents/mark");
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

struct RefusingOps : FileOps {
    int error;
    explicit RefusingOps(int e) : error(e) { FileOps::setForTest(this); }
    ~RefusingOps() override { FileOps::setForTest(nullptr); }
    int renameNoReplace(const QString&, const QString&) override { return error; }
    int exchange(const QString&, const QString&) override { return error; }
};

// Every test starts from an empty home trash: what one test moved there never takes the name
// another expects.
class TrashTest : public ::testing::Test {
protected:
    void SetUp() override { QDir(qEnvironmentVariable("XDG_DATA_HOME") + "/Trash").removeRecursively(); }
};

} // namespace

TEST_F(TrashTest, NumberedNamesKeepTheExtension) {
    const QList<std::tuple<QString, int, QString>> cases = {
        {"Example.app", 1, "Example.app"}, {"Example.app", 2, "Example 2.app"}, {"Example", 2, "Example 2"},
        {"a.tar.gz", 3, "a.tar 3.gz"},     {".hidden", 2, ".hidden 2"},         {"trailing.", 2, "trailing. 2"},
    };
    for (const auto& [name, n, expected] : cases)
        EXPECT_EQ(Trash::numberedName(name, n), expected) << name.toStdString() << " " << n;
}

TEST_F(TrashTest, MovingIntoAFolderNeverReplaces) {
    QTemporaryDir dir;
    const QString trash = dir.filePath("Trash");
    makeItem(trash + "/Example.app", "first");
    makeItem(trash + "/Example 2.app", "second");
    makeItem(dir.filePath("Applications/Example.app"), "third");
    QDir().mkpath(dir.filePath("Applications/Example"));

    EXPECT_EQ(Trash::moveInto(dir.filePath("Applications/Example.app"), trash), trash + "/Example 3.app");
    EXPECT_EQ(Trash::moveInto(dir.filePath("Applications/Example"), dir.filePath("new/Trash")),
              dir.filePath("new/Trash/Example"));

    EXPECT_EQ(markOf(trash + "/Example.app"), "first");
    EXPECT_EQ(markOf(trash + "/Example 2.app"), "second");
    EXPECT_EQ(markOf(trash + "/Example 3.app"), "third");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Applications/Example.app")));
}

TEST_F(TrashTest, UserTrashRecordsEveryItemUnderItsOwnName) {
    QTemporaryDir dir;
    const QString home = qEnvironmentVariable("XDG_DATA_HOME") + "/Trash";
    makeItem(dir.filePath("Report final.app"), "one");
    const QString first = Trash::moveToUserTrash(dir.filePath("Report final.app"));
    makeItem(dir.filePath("Report final.app"), "two");
    const QString second = Trash::moveToUserTrash(dir.filePath("Report final.app"));

    EXPECT_EQ(first, home + "/files/Report final.app");
    EXPECT_EQ(second, home + "/files/Report final 2.app");
    EXPECT_EQ(markOf(first), "one");
    EXPECT_EQ(markOf(second), "two");
    QFile info(home + "/info/Report final 2.app.trashinfo");
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(info.readAll());
    const QString path = QString::fromUtf8(QUrl::toPercentEncoding(QDir(dir.path()).absolutePath(), "/"));
    EXPECT_TRUE(QRegularExpression("^\\[Trash Info\\]\nPath=" + QRegularExpression::escape(path) +
                                   "/Report%20final.app\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n$")
                    .match(text)
                    .hasMatch())
        << text.toStdString();
}

TEST_F(TrashTest, RefusalsKeepTheirErrnoAndLeaveTheItem) {
    QTemporaryDir dir;
    const QString home = qEnvironmentVariable("XDG_DATA_HOME") + "/Trash";
    for (int error : {EPERM, EACCES}) {
        makeItem(dir.filePath("Locked.app"));
        RefusingOps ops(error);
        for (bool user : {true, false}) {
            try {
                user ? Trash::moveToUserTrash(dir.filePath("Locked.app"))
                     : Trash::moveInto(dir.filePath("Locked.app"), dir.filePath("T"));
                ADD_FAILURE() << "no error";
            } catch (const FileError& e) {
                EXPECT_EQ(e.error, error);
                EXPECT_EQ(e.op, FileError::Op::Move);
            }
        }
        EXPECT_EQ(markOf(dir.filePath("Locked.app")), "old");
        EXPECT_FALSE(QFileInfo::exists(home + "/info/Locked.app.trashinfo")) << "no info file without its item";
    }
}

TEST(FileOps, RenamesNeverReplaceAndExchangeSwapsBoth) {
    QTemporaryDir dir;
    makeItem(dir.filePath("a"), "a");
    makeItem(dir.filePath("b"), "b");

    EXPECT_EQ(FileOps::shared().renameNoReplace(dir.filePath("a"), dir.filePath("b")), EEXIST);
    EXPECT_EQ(markOf(dir.filePath("b")), "b");
    EXPECT_EQ(FileOps::shared().exchange(dir.filePath("a"), dir.filePath("b")), 0);
    EXPECT_EQ(markOf(dir.filePath("a")), "b");
    EXPECT_EQ(markOf(dir.filePath("b")), "a");
    EXPECT_EQ(FileOps::shared().exchange(dir.filePath("a"), dir.filePath("missing")), ENOENT);
}

TEST_F(TrashTest, AnItemReachedThroughALinkToAnotherVolumeGoesToTheTrashOfItsOwnVolume) {
    // Only the link lives on the other volume; the item sits beside the home trash.
    const QString shm = QStringLiteral("/dev/shm");
    struct stat home {
    }, other{};
    if (::stat(QFile::encodeName(qEnvironmentVariable("XDG_DATA_HOME")).constData(), &home) != 0 ||
        ::stat(QFile::encodeName(shm).constData(), &other) != 0 || home.st_dev == other.st_dev ||
        ::access(QFile::encodeName(shm).constData(), W_OK) != 0)
        GTEST_SKIP() << "needs a second writable volume at /dev/shm";
    QTemporaryDir dir;
    QTemporaryDir elsewhere(shm + "/quenlark-trash-XXXXXX");
    ASSERT_TRUE(elsewhere.isValid());
    makeItem(dir.filePath("Apps/Example.app"), "linked");
    const QString link = elsewhere.filePath("Apps");
    ASSERT_TRUE(QFile::link(dir.filePath("Apps"), link));
    const QString volumeTrash = shm + "/.Trash-" + QString::number(::getuid());
    const bool hadVolumeTrash = QFileInfo::exists(volumeTrash);

    QString moved;
    try {
        moved = Trash::moveToUserTrash(link + "/Example.app");
    } catch (const FileError& e) {
        ADD_FAILURE() << "refused with errno " << e.error;
    }
    if (!hadVolumeTrash)
        QDir(volumeTrash).removeRecursively();

    EXPECT_EQ(moved, qEnvironmentVariable("XDG_DATA_HOME") + "/Trash/files/Example.app");
    EXPECT_EQ(markOf(moved), "linked");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Apps/Example.app")));
}

TEST_F(TrashTest, AHomeTrashBehindALinkServesTheVolumeItReallyLivesOn) {
    // The data folder is a link kept on another volume, pointing back beside the item.
    const QString shm = QStringLiteral("/dev/shm");
    const QByteArray savedHome = qgetenv("XDG_DATA_HOME");
    struct stat home {
    }, other{};
    if (::stat(savedHome.constData(), &home) != 0 || ::stat(QFile::encodeName(shm).constData(), &other) != 0 ||
        home.st_dev == other.st_dev || ::access(QFile::encodeName(shm).constData(), W_OK) != 0)
        GTEST_SKIP() << "needs a second writable volume at /dev/shm";
    QTemporaryDir dir;
    QTemporaryDir elsewhere(shm + "/quenlark-trash-XXXXXX");
    ASSERT_TRUE(elsewhere.isValid());
    QDir().mkpath(dir.filePath("share"));
    const QString linkedHome = elsewhere.filePath("share");
    ASSERT_TRUE(QFile::link(dir.filePath("share"), linkedHome));
    makeItem(dir.filePath("Example.app"), "home");
    // A wrong choice would make a trash at the top of this volume: note it, to take it away.
    const QString volumeTrash = "/.Trash-" + QString::number(::getuid());
    const bool hadVolumeTrash = QFileInfo::exists(volumeTrash);

    qputenv("XDG_DATA_HOME", QFile::encodeName(linkedHome));
    QString moved;
    try {
        moved = Trash::moveToUserTrash(dir.filePath("Example.app"));
    } catch (const FileError& e) {
        ADD_FAILURE() << "refused with errno " << e.error;
    }
    qputenv("XDG_DATA_HOME", savedHome);
    if (!hadVolumeTrash && QFileInfo::exists(volumeTrash))
        QDir(volumeTrash).removeRecursively();

    EXPECT_EQ(moved, linkedHome + "/Trash/files/Example.app");
    EXPECT_EQ(markOf(dir.filePath("share/Trash/files/Example.app")), "home");
}

TEST_F(TrashTest, AVolumeWithoutATrashOfItsOwnSendsACheckedCopyHome) {
    // A second file system beside the test home, whose top holds a file where the user's
    // trash folder would go, so it has no usable trash.
    QTemporaryDir dir;
    const QString volume = dir.filePath("volume");
    ASSERT_TRUE(QDir().mkpath(volume));
    if (::mount("quenlark-test", QFile::encodeName(volume).constData(), "tmpfs", 0, "size=16m") != 0)
        GTEST_SKIP() << "mounting a tmpfs is not permitted here (errno " << errno << ")";
    struct Unmount {
        QString at;
        ~Unmount() { ::umount2(QFile::encodeName(at).constData(), MNT_DETACH); }
    } unmount{volume};
    QFile blocker(volume + "/.Trash-" + QString::number(::getuid()));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    makeItem(volume + "/Applications/Example.app", "across");
    ASSERT_TRUE(QFile::link("mark", volume + "/Applications/Example.app/Contents/alias"));

    const QString moved = Trash::moveToUserTrash(volume + "/Applications/Example.app");

    const QString home = qEnvironmentVariable("XDG_DATA_HOME") + "/Trash";
    EXPECT_EQ(moved, home + "/files/Example.app");
    EXPECT_EQ(markOf(moved), "across");
    EXPECT_EQ(QFile::symLinkTarget(moved + "/Contents/alias"), moved + "/Contents/mark");
    EXPECT_FALSE(QFileInfo::exists(volume + "/Applications/Example.app"));
    EXPECT_TRUE(QDir(volume + "/Applications").isEmpty()) << "no hidden copy is left behind";
    QFile info(home + "/info/Example.app.trashinfo");
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    EXPECT_TRUE(info.readAll().contains(
        "Path=" + QUrl::toPercentEncoding(QFileInfo(volume).canonicalFilePath() + "/Applications/Example.app", "/")));
    Removal::removeItem(moved);
    QFile::remove(info.fileName());
}
