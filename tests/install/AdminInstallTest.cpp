#include "PackageBuilder.h"
#include "RunSync.h"
#include "TestPki.h"

#include "install/AppleScriptError.h"
#include "install/Updater.h"
#include "platform/system/ToolPaths.h"
#include "runtime/CancelToken.h"
#include "runtime/Cancelled.h"
#include "runtime/UpdateError.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

const QString digest = QString(64, 'a').replace(0, 6, "0123ef");

QString refusal(const QString& package, const QString& sha, const QString& team, const QString& base) {
    try {
        Updater::rootCommand(package, sha, team, base, false);
    } catch (const UpdateError& error) {
        return error.description();
    }
    return {};
}

QString sha256Of(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
}

} // namespace

TEST(AdminInstall, BuildsTheRootLineExactly) {
    ToolPaths::setMacFormForTest(true);
    const QString line = Updater::rootCommand("/Users/ann/Library/Caches/work-1/package.pkg", digest, "AB12CD34EF",
                                              "/private/tmp", false);
    const QString expected =
        R"(d=$(/usr/bin/mktemp -d '/private/tmp/quenlark-pkg.XXXXXX') || exit 91; trap '/bin/rm -rf "$d"' EXIT; )"
        R"(/bin/cp '/Users/ann/Library/Caches/work-1/package.pkg' "$d/p.pkg" || exit 91; )"
        R"(echo ')" +
        digest +
        R"(  '"$d/p.pkg" | /usr/bin/shasum -a 256 -c - >/dev/null 2>&1 || exit 92; )"
        R"(/usr/sbin/pkgutil --check-signature "$d/p.pkg" > "$d/sig" 2>&1; )"
        R"(/usr/bin/grep -Eq '^ *Status: signed by a developer certificate issued by Apple for distribution$' "$d/sig" || exit 93; )"
        R"(/usr/bin/grep -Eq '^ *1\. Developer ID Installer: .* \(AB12CD34EF\)$' "$d/sig" || exit 94; )"
        R"(/usr/sbin/spctl --assess --type install "$d/p.pkg" >/dev/null 2>&1 || exit 95; )"
        R"(/usr/sbin/installer -pkg "$d/p.pkg" -target /)";
    EXPECT_EQ(line.toStdString(), expected.toStdString());
    const QString dry = Updater::rootCommand("/a/p.pkg", digest, "AB12CD34EF", "/private/tmp", true);
    EXPECT_TRUE(dry.endsWith(R"(exit 95; /bin/echo "would install $d/p.pkg")"));
    EXPECT_FALSE(dry.contains("installer"));
    ToolPaths::setMacFormForTest(false);
}

TEST(AdminInstall, RefusesValuesOutsideTheCharacterRules) {
    const QString path = "The package's temporary path has unexpected characters. Refusing to run it.";
    const QString sum = "The package checksum isn't valid.";
    const QString team = "The package's Team ID isn't valid.";
    struct Case {
        QString package, sha, team, base, sentence;
    };
    const QList<Case> cases = {
        {"/a b/p.pkg", digest, "AB12CD34EF", "/private/tmp", path},
        {"/a'b/p.pkg", digest, "AB12CD34EF", "/private/tmp", path},
        {"/a/../p.pkg", digest, "AB12CD34EF", "/private/tmp", path},
        {"relative/p.pkg", digest, "AB12CD34EF", "/private/tmp", path},
        {"/a/$(reboot).pkg", digest, "AB12CD34EF", "/private/tmp", path},
        {"/a/p.pkg", digest, "AB12CD34EF", "/private/tmp/..", path},
        {"/a/p.pkg", digest, "AB12CD34EF", "/tmp;rm", path},
        {"/a/p.pkg", digest.toUpper(), "AB12CD34EF", "/private/tmp", sum},
        {"/a/p.pkg", digest.left(63), "AB12CD34EF", "/private/tmp", sum},
        {"/a/p.pkg", digest, "AB12CD34E", "/private/tmp", team},
        {"/a/p.pkg", digest, "ab12cd34ef", "/private/tmp", team},
        {"/a/p.pkg", digest, "AB12CD34EF", "/private/tmp", QString()},
        {"/a/..b/p.pkg", digest, "AB12CD34EF", "/private/tmp", QString()},
        // A final line break is a command separator to the shell: no value may end in one.
        {"/a/p.pkg\n", digest, "AB12CD34EF", "/private/tmp", path},
        {"/a/p.pkg", digest, "AB12CD34EF", "/private/tmp\n", path},
        {"/a/p.pkg", digest + "\n", "AB12CD34EF", "/private/tmp", sum},
        {"/a/p.pkg", digest, "AB12CD34EF\n", "/private/tmp", team},
    };
    ToolPaths::setMacFormForTest(true);
    for (const Case& c : cases)
        EXPECT_EQ(refusal(c.package, c.sha, c.team, c.base), c.sentence)
            << c.package.toStdString() << " " << c.base.toStdString();
    ToolPaths::setMacFormForTest(false);
}

TEST(AdminInstall, RunsAsRootOnlyInstalledToolsNobodyElseCanChange) {
    // The build's own copies run only without elevation; as root the line names the installed
    // tools and anchors, which must be root's all the way up.
    qputenv("QUENLARK_ELEVATION", "unprivileged");
    const QString user = Updater::rootCommand("/a/p.pkg", digest, "AB12CD34EF", "/private/tmp", false);
    EXPECT_TRUE(user.contains(ToolPaths::folder() + "/pkgutil --check-signature")) << user.toStdString();
    EXPECT_FALSE(user.contains("QUENLARK_ANCHORS"));
    qunsetenv("QUENLARK_ELEVATION");

    QTemporaryDir dir;
    const QString tools = QFileInfo(dir.path()).canonicalFilePath() + "/libexec";
    const QString anchors = QFileInfo(dir.path()).canonicalFilePath() + "/anchors";
    QDir().mkpath(tools);
    QDir().mkpath(anchors);
    for (const char* name : {"pkgutil", "spctl", "installer"})
        QFile::link(QStringLiteral(QUENLARK_TOOLS_PATH), tools + "/" + name);
    ToolPaths::setInstalledForTest(tools, anchors);
    const QString sentence = refusal("/a/p.pkg", digest, "AB12CD34EF", "/private/tmp");
    EXPECT_TRUE(sentence.startsWith("Quenlark won't run its installer tools as administrator: "))
        << sentence.toStdString();
    EXPECT_TRUE(
        sentence.endsWith(" is missing or can be changed without administrator rights. Nothing was installed."));
    ToolPaths::setInstalledForTest({}, {});
}

TEST(AdminInstall, MakesAppleScriptLiteralsAndScripts) {
    EXPECT_EQ(Updater::appleScriptLiteral("a\\b\"c\nd\te\u200Bf"), "\"a\\\\b\\\"cdef\"");
    EXPECT_EQ(Updater::appleScriptLiteral(""), "\"\"");
    EXPECT_EQ(Updater::appleScriptLiteral(QString::fromUtf8("Caf\u00e9 \xF0\x9F\x98\x80\xF3\xA0\x80\x81")),
              QString::fromUtf8("\"Caf\u00e9 \xF0\x9F\x98\x80\""));
    EXPECT_EQ(Updater::adminScript("echo \"x\"", "Al \"pha\""),
              "do shell script \"echo \\\"x\\\"\" with prompt \"Quenlark needs your administrator password to install "
              "Al \\\"pha\\\" with its installer package.\" with administrator privileges");
}

TEST(AdminInstall, ReadsErrorsAndMapsThemToSentences) {
    struct Parse {
        QString text;
        std::optional<int> number;
        QString message;
    };
    const QList<Parse> parses = {
        {"0:210: execution error: User canceled. (-128)\n", -128, "User canceled."},
        {"1176:1286: execution error: Test got an error: User canceled. (-128)", -128,
         "Test got an error: User canceled."},
        {"  0:5: execution error: boom (92)  \n", 92, "boom"},
        {"something odd (99999999999)", std::nullopt, "something odd"},
        {"no number here", std::nullopt, "no number here"},
        {" \n", std::nullopt, "osascript failed"},
    };
    for (const Parse& p : parses) {
        const AppleScriptError error = AppleScriptError::fromStderr(p.text);
        EXPECT_EQ(error.number, p.number) << p.text.toStdString();
        EXPECT_EQ(error.message, p.message) << p.text.toStdString();
    }
    struct Map {
        std::optional<int> number;
        QString message;
        QString sentence;
        bool final;
    };
    const QList<Map> maps = {
        {-128, "User canceled.", "You cancelled the administrator prompt. Nothing was installed.", true},
        {91, "",
         "Quenlark couldn't copy \u2068Alpha\u2069's installer package into a private folder. Nothing was installed.",
         false},
        {92, "",
         "\u2068Alpha\u2069's installer package changed after Quenlark checked it (SHA-256 mismatch in the "
         "administrator step). "
         "Nothing was installed.",
         false},
        {93, "",
         "\u2068Alpha\u2069's installer package isn't signed by a Developer ID Installer certificate Apple trusts "
         "(checked "
         "again as administrator). Nothing was installed.",
         false},
        {94, "",
         "\u2068Alpha\u2069's installer package is signed by another team than the one Quenlark checked (checked again "
         "as "
         "administrator). Nothing was installed.",
         false},
        {95, "",
         "Gatekeeper rejected \u2068Alpha\u2069's installer package in the administrator step. Nothing was installed.",
         false},
        {1, "installer: Error - boom", "The installer failed: installer: Error - boom (1)", false},
        {0, "odd", "The installer failed: odd (0)", false},
        {std::nullopt, "osascript failed", "The installer failed: osascript failed", false},
    };
    for (const Map& m : maps) {
        const UpdateError error = Updater::adminFailure(AppleScriptError(m.number, m.message), "Alpha");
        EXPECT_EQ(error.description(), m.sentence);
        EXPECT_EQ(error.final, m.final);
        EXPECT_FALSE(error.needsPermission);
    }
}

// The real line with its checks, run by the osascript stand-in without elevation.
class AdminRun : public ::testing::Test {
protected:
    void SetUp() override {
        TestPki::shared().writeAnchors(anchors_.path());
        qputenv("QUENLARK_ANCHORS", QFile::encodeName(anchors_.path()));
        qputenv("QUENLARK_ELEVATION", "unprivileged");
    }
    void TearDown() override {
        qunsetenv("QUENLARK_ANCHORS");
        qunsetenv("QUENLARK_ELEVATION");
        qunsetenv("QUENLARK_PKEXEC");
    }

    // Runs the administrator step; its output, or the sentence it fails with.
    QString run(const QString& package, const QString& sha, const QString& team) {
        const QString line = Updater::rootCommand(package, sha, team, ToolPaths::privateTmp, true);
        try {
            return runSync(Updater::runAppleScript(Updater::adminScript(line, "Alpha")));
        } catch (const AppleScriptError& error) {
            return Updater::adminFailure(error, "Alpha").description();
        }
    }

    QString write(const PackageBuilder& builder) {
        const QString path = dir_.filePath("package.pkg");
        EXPECT_TRUE(builder.write(path));
        return path;
    }

    QTemporaryDir anchors_;
    QTemporaryDir dir_;
};

TEST_F(AdminRun, RunsTheChecksAsTheLineGivesThem) {
    const QString good = write(PackageBuilder::teamA(true));
    const QString sha = sha256Of(good);
    const QString out = run(good, sha, "AAAAAAAAAA");
    EXPECT_TRUE(out.startsWith("would install /tmp/quenlark-pkg.")) << out.toStdString();
    EXPECT_TRUE(out.endsWith("/p.pkg"));
    EXPECT_FALSE(QDir(out.mid(14).chopped(6)).exists()) << "the private folder is removed";

    EXPECT_EQ(run(good, sha, "BBBBBBBBBB"), "\u2068Alpha\u2069's installer package is signed by another team than the "
                                            "one Quenlark checked (checked again as "
                                            "administrator). Nothing was installed.");
    EXPECT_EQ(
        run(dir_.filePath("missing.pkg"), sha, "AAAAAAAAAA"),
        "Quenlark couldn't copy \u2068Alpha\u2069's installer package into a private folder. Nothing was installed.");

    const QString plain = write(PackageBuilder::teamA(false));
    EXPECT_EQ(
        run(plain, sha256Of(plain), "AAAAAAAAAA"),
        "Gatekeeper rejected \u2068Alpha\u2069's installer package in the administrator step. Nothing was installed.");
    const QString bare = write(PackageBuilder::unsignedPackage());
    EXPECT_EQ(run(bare, sha256Of(bare), "AAAAAAAAAA"), "\u2068Alpha\u2069's installer package isn't signed by a "
                                                       "Developer ID Installer certificate Apple trusts (checked "
                                                       "again as administrator). Nothing was installed.");
}

TEST_F(AdminRun, APackageChangedAfterTheCheckIsNotInstalled) {
    const QString path = write(PackageBuilder::teamA(true));
    const QString checked = sha256Of(path);
    // Swapped for another valid package of the same team between the check and the run.
    write(PackageBuilder::teamA(true).file("Alpha.app/Contents/MacOS/evil", "x"));
    EXPECT_EQ(run(path, checked, "AAAAAAAAAA"), "\u2068Alpha\u2069's installer package changed after Quenlark checked "
                                                "it (SHA-256 mismatch in the administrator step). "
                                                "Nothing was installed.");
}

TEST_F(AdminRun, ADismissedPromptIsFinalAndOtherElevationFailuresAreNot) {
    qunsetenv("QUENLARK_ELEVATION");
    const QString fake = dir_.filePath("pkexec");
    const auto elevation = [&](int status) {
        QFile file(fake);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write("#!/bin/sh\nexit " + QByteArray::number(status) + "\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("QUENLARK_PKEXEC", QFile::encodeName(fake));
    };
    const QString line = "/bin/echo never";
    elevation(126);
    try {
        runSync(Updater::runAppleScript(Updater::adminScript(line, "Alpha")));
        ADD_FAILURE() << "a dismissed prompt succeeded";
    } catch (const AppleScriptError& error) {
        EXPECT_EQ(error.number, -128);
        EXPECT_EQ(error.message, "User canceled.");
        EXPECT_TRUE(Updater::adminFailure(error, "Alpha").final);
    }
    elevation(127);
    try {
        runSync(Updater::runAppleScript(Updater::adminScript(line, "Alpha")));
        ADD_FAILURE() << "a failed elevation succeeded";
    } catch (const AppleScriptError& error) {
        EXPECT_EQ(Updater::adminFailure(error, "Alpha").description(),
                  "The installer failed: Administrator rights could not be obtained. (127)");
    }
    // An elevation that runs the line: the line's own 126 and 127 are its failures, not the
    // prompt's, and what it wrote to standard error is the message.
    QFile file(fake);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("#!/bin/sh\nexec \"$@\"\n");
    file.close();
    for (const int status : {126, 127}) {
        try {
            runSync(Updater::runAppleScript(
                Updater::adminScript("echo not executable >&2; exit " + QString::number(status), "Alpha")));
            ADD_FAILURE() << "a failing line succeeded";
        } catch (const AppleScriptError& error) {
            const UpdateError mapped = Updater::adminFailure(error, "Alpha");
            EXPECT_EQ(mapped.description(), "The installer failed: not executable (" + QString::number(status) + ")");
            EXPECT_FALSE(mapped.final);
        }
    }
    EXPECT_EQ(runSync(Updater::runAppleScript(Updater::adminScript("echo done", "Alpha"))), "done");
}

// A run that does not end is killed with its shell line at the bound, or at once when cancelled,
// and the administrator step is free for the next package.
TEST(AdminInstall, ARunPastItsBoundOrCancelledEndsWithItsLineAndTheNextRuns) {
    qputenv("QUENLARK_ELEVATION", "unprivileged");
    QTemporaryDir dir;
    const QString marker = dir.filePath("ran-on");
    const QString script = Updater::adminScript("sleep 2; touch " + marker, "Alpha");
    QElapsedTimer timer;
    timer.start();
    try {
        Updater::runAppleScriptNow(script, {}, std::chrono::milliseconds(300));
        ADD_FAILURE() << "a run past its bound succeeded";
    } catch (const AppleScriptError& error) {
        EXPECT_EQ(Updater::adminFailure(error, "Alpha").description(),
                  "The installer failed: it ran past its time limit and was stopped");
    }
    CancelToken cancel;
    cancel.cancel();
    EXPECT_THROW(Updater::runAppleScriptNow(script, cancel), Cancelled);
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_EQ(runSync(Updater::runAppleScript(Updater::adminScript("sleep 2.5; echo done", "Alpha"))), "done");
    EXPECT_FALSE(QFile::exists(marker)); // the killed lines never reached their end
    qunsetenv("QUENLARK_ELEVATION");
}
