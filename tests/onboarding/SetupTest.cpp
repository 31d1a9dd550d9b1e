#include "onboarding/Setup.h"

#include "BundleBuilder.h"
#include "FakeSetup.h"
#include "QtPrinters.h"
#include "platform/system/Defaults.h"
#include "runtime/FileError.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Pair {
    const char* version;
    const char* build;
};

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = QDir::tempPath() + QStringLiteral("/setup-") +
               QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
        QDir(root).removeRecursively();
        QDir().mkpath(root);
    }

    ::Setup make(const QString& bundle) { return fake.make(bundle); }

    // A bundle with the given Info.plist versions (nullptr leaves a key out).
    QString bundle(const QString& where, Pair pair) {
        const QString path = root + QLatin1Char('/') + where;
        BundleBuilder builder(path);
        builder.unsignedCode();
        if (pair.version)
            builder.info(QStringLiteral("CFBundleShortVersionString"), QString::fromUtf8(pair.version));
        if (pair.build)
            builder.info(QStringLiteral("CFBundleVersion"), QString::fromUtf8(pair.build));
        builder.build();
        return path;
    }

    QString root;
    FakeSetup fake{QStringLiteral("setup-test")};
    std::shared_ptr<Defaults>& defaults = fake.defaults;
    FakeLoginItem& login = fake.login;
    FakeRunningCopies& copies = fake.copies;
    QStringList& relaunched = fake.relaunched;
    bool& relaunchStarts = fake.relaunchStarts;
    int& terminated = fake.terminated;
};

QStringList trashed() {
    const QString files =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash/files");
    return QDir(files).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

TEST_F(SetupTest, TheNewerCopyStaysAndEqualOrUncomparableOnesGiveWayToTheLaunch) {
    struct Row {
        const char* name;
        Pair mine;
        QList<Pair> others; // {nullptr, nullptr} with a missing bundle: unreadable
        bool othersMissing;
        QStringList asked;
        bool goesOn;
    };
    const QString a = QStringLiteral("a/Quenlark.app"), b = QStringLiteral("b/Quenlark.app");
    const Row rows[] = {
        {"same version", {"2.0", "20"}, {{"2.0", "20"}}, false, {QStringLiteral("quit A")}, true},
        {"older running", {"2.0", "20"}, {{"1.9", "99"}}, false, {QStringLiteral("quit A")}, true},
        {"newer short version running", {"2.0", "20"}, {{"2.1", "1"}}, false, {QStringLiteral("activate A")}, false},
        {"same short, higher build running",
         {"2.0", "20"},
         {{"2.0", "21"}},
         false,
         {QStringLiteral("activate A")},
         false},
        {"running copy's bundle unreadable",
         {"2.0", "20"},
         {{nullptr, nullptr}},
         true,
         {QStringLiteral("quit A")},
         true},
        {"the first newer one wins, no copy asked to quit",
         {"2.0", "20"},
         {{"1.0", "1"}, {"3.0", "1"}},
         false,
         {QStringLiteral("activate B")},
         false},
        {"all older: every one asked, in order",
         {"2.0", "20"},
         {{"1.0", "1"}, {"1.5", "1"}},
         false,
         {QStringLiteral("quit A"), QStringLiteral("quit B")},
         true},
        {"no other copy", {"2.0", "20"}, {}, false, {}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QDir(root).removeRecursively();
        const QString mine = bundle(QStringLiteral("mine/Quenlark.app"), row.mine);
        copies.copies.clear();
        copies.asked.clear();
        terminated = 0;
        for (qsizetype i = 0; i < row.others.size(); ++i) {
            const QString where = i == 0 ? a : b;
            const QString path = row.othersMissing ? root + QStringLiteral("/gone.app") : bundle(where, row.others[i]);
            copies.copies << RunningCopies::Copy{100 + i, path};
        }
        QStringList asked = copies.asked;
        ::Setup setup = make(mine);
        EXPECT_EQ(setup.takeOverFromOtherCopies(), row.goesOn);
        // Name the copies A and B for the table.
        for (QString& line : copies.asked)
            line = line.section(QLatin1Char(' '), 0, 0) +
                   (line.endsWith(QStringLiteral("gone.app")) || line.contains(QStringLiteral("/a/"))
                        ? QStringLiteral(" A")
                        : QStringLiteral(" B"));
        EXPECT_EQ(copies.asked, row.asked);
        EXPECT_EQ(terminated, row.goesOn ? 0 : 1);
    }
}

TEST_F(SetupTest, TheVersionPairTakesOnlyTextValues) {
    BundleBuilder builder(root + QStringLiteral("/v.app"));
    builder.unsignedCode().info(QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.2"));
    builder.build();
    EXPECT_EQ(::Setup::version(root + QStringLiteral("/v.app")).version, QStringLiteral("1.2"));
    EXPECT_EQ(::Setup::version(std::nullopt).version, std::nullopt);
    EXPECT_EQ(::Setup::version(root + QStringLiteral("/none.app")).build, std::nullopt);
}

TEST_F(SetupTest, TheStepDueFollowsThePlaceTheKeysAndTheLoginItem) {
    struct Row {
        const char* bundle;
        bool skipMove, askedLogin, loginOn;
        std::optional<SetupStep> step;
    };
    const Row rows[] = {
        {"/Applications/Quenlark.app", false, false, false, SetupStep::login},
        {"/Applications/Tools/Quenlark.app", false, true, false, std::nullopt},
        {"/home/ann/Applications/Quenlark.app", false, false, true, std::nullopt},
        {"/ApplicationsOld/Quenlark.app", false, true, false, SetupStep::move},
        {"/home/ann/Downloads/Quenlark.app", false, true, false, SetupStep::move},
        {"/home/ann/Downloads/Quenlark.app", true, false, false, SetupStep::login},
        {"/home/ann/Downloads/Quenlark.app", true, true, false, std::nullopt},
        {"/private/var/folders/x/AppTranslocation/1/d/Quenlark.app", false, true, true, SetupStep::move},
        {"/Applications/AppTranslocation/Quenlark.app", true, false, false, SetupStep::login},
        {"/home/bob/Applications/Quenlark.app", false, true, false, SetupStep::move},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bundle);
        defaults->remove(::Setup::skipMoveKey);
        defaults->remove(::Setup::askedLoginKey);
        if (row.skipMove)
            defaults->set(::Setup::skipMoveKey, true);
        if (row.askedLogin)
            defaults->set(::Setup::askedLoginKey, true);
        login.on = row.loginOn;
        EXPECT_EQ(make(QString::fromUtf8(row.bundle)).needs(), row.step);
    }
}

TEST_F(SetupTest, TheLoginAnswerCountsWhateverTheItemSaid) {
    ::Setup setup = make(QStringLiteral("/Applications/Quenlark.app"));
    setup.setLogin(false); // nothing registered: refused, only logged
    EXPECT_TRUE(defaults->boolean(::Setup::askedLoginKey));
    EXPECT_FALSE(login.on);
    login.refuse = true;
    setup.setLogin(true);
    EXPECT_FALSE(login.on);
    login.refuse = false;
    setup.setLogin(true);
    EXPECT_TRUE(login.on);
    EXPECT_EQ(login.calls, 3);
}

TEST_F(SetupTest, ARelaunchQuitsThisCopyEvenWhenTheShellCannotStart) {
    ::Setup setup = make(QStringLiteral("/Applications/Quenlark.app"));
    relaunchStarts = false;
    setup.relaunch(QStringLiteral("/home/ann/Applications/Quenlark.app"));
    EXPECT_EQ(relaunched, QStringList{QStringLiteral("/home/ann/Applications/Quenlark.app/quenlark")});
    EXPECT_EQ(login.followed,
              QStringList{QStringLiteral("/home/ann/Applications/Quenlark.app/Contents/MacOS/quenlark")})
        << "the login item starts the moved copy, not the one in the Trash";
    EXPECT_EQ(terminated, 1);
}

// Links to the home or to its Applications folder, on either side, name the same place; an
// install the system or another user owns is never offered the move.
TEST_F(SetupTest, ThePlaceIsComparedResolvedAndAnotherOwnersInstallIsNotOffered) {
    const QString real = root + QStringLiteral("/real-home"), home = root + QStringLiteral("/home");
    ASSERT_TRUE(QDir().mkpath(real + QStringLiteral("/Applications/Q.app")));
    ASSERT_TRUE(QFile::link(real, home));
    ASSERT_TRUE(QFile::link(real + QStringLiteral("/Applications"), root + QStringLiteral("/apps")));
    for (const auto& [bundle, at] : {std::pair{real + QStringLiteral("/Applications/Q.app"), home},
                                     {home + QStringLiteral("/Applications/Q.app"), real},
                                     {root + QStringLiteral("/apps/Q.app"), real}})
        EXPECT_FALSE(fake.make(bundle, at).offersMove()) << bundle.toStdString();
    // Owned by root, or by nobody where the tests run as root.
    const QString others = ::geteuid() == 0 ? root + QStringLiteral("/lib/quenlark/Q.app") : QStringLiteral("/usr");
    ASSERT_TRUE(::geteuid() != 0 ||
                (QDir().mkpath(others) && ::chown(QFile::encodeName(others).constData(), 65534, 65534) == 0));
    defaults->set(::Setup::askedLoginKey, true);
    EXPECT_EQ(make(others).needs(), std::nullopt);
}

TEST_F(SetupTest, TheMoveLandsWholeOrNotAtAllAndNeverTrashesTheRunningCopy) {
    const QString home = root + QStringLiteral("/home");
    const QString system = root + QStringLiteral("/system-applications");
    const QString target = home + QStringLiteral("/Applications/Quenlark.app");
    const auto fileIn = [](const QString& bundle) {
        QFile file(bundle + QStringLiteral("/Contents/Info.plist"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const auto leftovers = [](const QString& folder) {
        return QDir(folder).entryList(QStringList{QStringLiteral(".*moving*")}, QDir::AllEntries | QDir::Hidden);
    };
    const auto move = [&](const QString& source) {
        ::Setup::Move m;
        m.source = source;
        m.home = home;
        m.systemApplications = system; // missing, so not writable: the home's folder is used
        return m;
    };

    // An ordinary move: into the home's Applications, made on the way; the launched copy trashed.
    const QString downloads = bundle(QStringLiteral("Downloads/Quenlark.app"), {"2.0", "20"});
    const QStringList before = trashed();
    EXPECT_EQ(::Setup::moveToApplications(move(downloads)), target);
    EXPECT_EQ(::Setup::version(target).version, QStringLiteral("2.0"));
    EXPECT_FALSE(QFile::exists(downloads));
    EXPECT_EQ(trashed().size(), before.size() + 1);

    // A copy already at the target goes to the Trash, the new one takes its place.
    const QString newer = bundle(QStringLiteral("Downloads/Quenlark.app"), {"2.1", "21"});
    EXPECT_EQ(::Setup::moveToApplications(move(newer)), target);
    EXPECT_EQ(::Setup::version(target).version, QStringLiteral("2.1"));
    EXPECT_EQ(trashed().size(), before.size() + 3);

    // A copy that fails half-way: the old bundle stays in place and nothing partial is left.
    const QString failing = bundle(QStringLiteral("Downloads/Quenlark.app"), {"3.0", "30"});
    ::Setup::Move broken = move(failing);
    broken.copy = [](const QString& from, const QString& to) {
        QDir().mkpath(to + QStringLiteral("/Contents"));
        QFile::copy(from + QStringLiteral("/Contents/Info.plist"), to + QStringLiteral("/Contents/Info.plist"));
        throw FileError(FileError::Op::Copy, from, ENOSPC);
    };
    try {
        ::Setup::moveToApplications(broken);
        ADD_FAILURE() << "a failed copy was reported as a move";
    } catch (const FileError& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()), QStringLiteral("There isn't enough space on the disk."));
    }
    EXPECT_EQ(::Setup::version(target).version, QStringLiteral("2.1"));
    EXPECT_TRUE(QFile::exists(failing)) << "the launched copy stays when the move fails";
    EXPECT_EQ(leftovers(home + QStringLiteral("/Applications")), QStringList());

    // Launched from the target through a linked folder: nothing copied, nothing trashed.
    const QString linked = root + QStringLiteral("/linked");
    ASSERT_TRUE(QFile::link(home + QStringLiteral("/Applications"), linked));
    const QStringList beforeLinked = trashed();
    const QByteArray plist = fileIn(target);
    EXPECT_EQ(::Setup::moveToApplications(move(linked + QStringLiteral("/Quenlark.app"))), target);
    EXPECT_EQ(fileIn(target), plist);
    EXPECT_EQ(trashed(), beforeLinked);
    EXPECT_EQ(leftovers(home + QStringLiteral("/Applications")), QStringList());

    // The system's folder takes the copy only when nobody but root and this user can write it.
    for (const auto& [mode, taken] : {std::pair{0755, true}, {0775, false}, {0777, false}, {01777, false}}) {
        QDir(system).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(system));
        ASSERT_EQ(::chmod(QFile::encodeName(system).constData(), mode_t(mode)), 0);
        const QString source = bundle(QStringLiteral("Downloads/Quenlark.app"), {"4.0", "40"});
        EXPECT_EQ(::Setup::moveToApplications(move(source)).startsWith(system + u'/'), taken) << mode;
    }
}
