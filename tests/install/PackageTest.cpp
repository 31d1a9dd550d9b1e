#include "PackageBuilder.h"
#include "TestPki.h"
#include "UdifWriter.h"
#include "ZipBuilder.h"

#include "install/PackageSigner.h"
#include "install/Updater.h"
#include "runtime/UpdateError.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QString refusal(const std::function<void()>& body) {
    try {
        body();
    } catch (const UpdateError& error) {
        return error.description();
    }
    return {};
}

const QString developer = "signed by a developer certificate issued by Apple for distribution";

QString report(const QString& status, const QString& leaf) {
    return "Package \"p.pkg\":\n   Status: " + status + "\n   Certificate Chain:\n    1. " + leaf +
           "\n       Expires: 2030-01-01 00:00:00 +0000\n    2. Developer ID Certification Authority\n";
}

} // namespace

TEST(Package, FindsThePackageInADownload) {
    QTemporaryDir dir;
    const QByteArray package = PackageBuilder::teamA(true).build();
    const auto work = [&](const QString& name) {
        const QString path = dir.filePath(name);
        QDir().mkpath(path);
        return path;
    };

    // A package itself is moved, whatever the release names.
    const QString download = dir.filePath("download.bin");
    QFile file(download);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(package);
    file.close();
    const QString w1 = work("w1");
    EXPECT_EQ(Updater::package(download, QString("Other.pkg"), w1), w1 + "/package.pkg");
    EXPECT_FALSE(QFileInfo::exists(download));

    // Zips: upper-case suffix, one folder down found; two folders down not; links never taken.
    const QString zip = dir.filePath("download.zip");
    ASSERT_TRUE(ZipBuilder()
                    .file("Top/Alpha.PKG", package)
                    .file("Deep/er/Beta.pkg", package)
                    .symlink("Gamma.pkg", "Top/Alpha.PKG")
                    .write(zip));
    const QString w2 = work("w2");
    ASSERT_EQ(Updater::package(zip, QString("Alpha.PKG"), w2), w2 + "/package.pkg");
    QFile copied(w2 + "/package.pkg");
    ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
    EXPECT_EQ(copied.readAll(), package);
    EXPECT_EQ(refusal([&] { Updater::package(zip, QString("Beta.pkg"), work("w3")); }),
              "The download doesn't contain the installer package \u2068Beta.pkg\u2069.");
    EXPECT_EQ(refusal([&] { Updater::package(zip, QString("Gamma.pkg"), work("w4")); }),
              "The download doesn't contain the installer package \u2068Gamma.pkg\u2069.");

    // No plain .pkg name: nothing, whatever the download.
    EXPECT_EQ(Updater::package(zip, std::nullopt, work("w5")), std::nullopt);
    EXPECT_EQ(Updater::package(zip, QString("Top/Alpha.PKG"), work("w5")), std::nullopt);
    EXPECT_EQ(Updater::package(zip, QString("Alpha.dmg"), work("w5")), std::nullopt);

    const QString small = dir.filePath("small.bin");
    QFile smallFile(small);
    ASSERT_TRUE(smallFile.open(QIODevice::WriteOnly));
    smallFile.write("MZ, neither xar nor zip");
    smallFile.close();
    EXPECT_EQ(refusal([&] { Updater::package(small, QString("A.pkg"), work("w6")); }),
              "Unsupported download format. Quenlark installs from .pkg, .zip and .dmg only.");
}

TEST(Package, TakesThePackageFromADiskImageAndAlwaysDetachesIt) {
    QTemporaryDir dir;
    const QByteArray package = PackageBuilder::teamA(true).build();
    QDir().mkpath(dir.filePath("volume/Alpha Installer"));
    QFile file(dir.filePath("volume/Alpha Installer/Alpha.pkg"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(package);
    file.close();
    ASSERT_TRUE(makeIso(dir.filePath("volume"), dir.filePath("volume.iso")));
    ASSERT_TRUE(UdifWriter().write(dir.filePath("volume.iso"), dir.filePath("Alpha.dmg")));

    const QString work = dir.filePath("work");
    QDir().mkpath(work);
    EXPECT_EQ(Updater::package(dir.filePath("Alpha.dmg"), QString("Alpha.pkg"), work), work + "/package.pkg");
    EXPECT_EQ(QFileInfo(work + "/package.pkg").size(), package.size());
    EXPECT_TRUE(QDir(work + "/mount").isEmpty());

    const QString other = dir.filePath("other");
    QDir().mkpath(other);
    EXPECT_EQ(refusal([&] { Updater::package(dir.filePath("Alpha.dmg"), QString("Beta.pkg"), other); }),
              "The download doesn't contain the installer package \u2068Beta.pkg\u2069.");
    EXPECT_TRUE(QDir(other + "/mount").isEmpty());

    // A folder link of the image that leaves it never leads to a package.
    QDir().mkpath(dir.filePath("elsewhere"));
    QFile::copy(dir.filePath("volume/Alpha Installer/Alpha.pkg"), dir.filePath("elsewhere/Gamma.pkg"));
    QDir().mkpath(dir.filePath("linked"));
    ASSERT_TRUE(QFile::link(dir.filePath("elsewhere"), dir.filePath("linked/x")));
    ASSERT_TRUE(makeIso(dir.filePath("linked"), dir.filePath("linked.iso")));
    ASSERT_TRUE(UdifWriter().write(dir.filePath("linked.iso"), dir.filePath("Linked.dmg")));
    const QString third = dir.filePath("third");
    QDir().mkpath(third);
    EXPECT_EQ(refusal([&] { Updater::package(dir.filePath("Linked.dmg"), QString("Gamma.pkg"), third); }),
              "The download doesn't contain the installer package \u2068Gamma.pkg\u2069.");
}

TEST(Package, ReadsTheSignerFromTheReports) {
    struct Case {
        const char* what;
        int status;
        QString pkgutil;
        int spctlStatus;
        QString spctl;
        PackageSigner expected;
        std::optional<QString> team;
    };
    const QString leafA = "Developer ID Installer: Alpha Software (AAAAAAAAAA)";
    const QList<Case> cases = {
        {"developer id",
         0,
         report(developer, leafA),
         0,
         "p: accepted\nsource=Notarized Developer ID\n",
         {developer, leafA, true, true, true},
         QString("AAAAAAAAAA")},
        {"non-zero exit is not trusted",
         1,
         report(developer, leafA),
         3,
         "p: rejected\nsource=Notarized Developer ID \n",
         {developer, leafA, false, false, false},
         QString("AAAAAAAAAA")},
        {"nine characters",
         0,
         report(developer, "Developer ID Installer: A (AAAAAAAAA)"),
         0,
         "",
         {developer, QString("Developer ID Installer: A (AAAAAAAAA)"), true, false, true},
         std::nullopt},
        {"lower case",
         0,
         report(developer, "Developer ID Installer: A (aaaaaaaaaa)"),
         0,
         "",
         {developer, QString("Developer ID Installer: A (aaaaaaaaaa)"), true, false, true},
         std::nullopt},
        {"application leaf",
         0,
         report(developer, "Developer ID Application: A (AAAAAAAAAA)"),
         0,
         "",
         {developer, QString("Developer ID Application: A (AAAAAAAAAA)"), true, false, true},
         std::nullopt},
        {"unsigned",
         1,
         "Package \"p.pkg\":\n   Status: no signature\n",
         3,
         "",
         {"no signature", std::nullopt, false, false, false},
         std::nullopt},
        {"later status wins",
         0,
         "\tStatus: first\n Status: " + developer + "\n",
         0,
         "",
         {developer, std::nullopt, true, false, true},
         std::nullopt},
    };
    for (const Case& c : cases) {
        const PackageSigner signer = PackageSigner::from(c.status, c.pkgutil, c.spctlStatus, c.spctl);
        EXPECT_EQ(signer, c.expected) << c.what;
        EXPECT_EQ(signer.team(), c.team) << c.what;
    }
}

TEST(Package, ChecksTheSignerByTheRules) {
    const QString leafA = "Developer ID Installer: Alpha Software (AAAAAAAAAA)";
    const PackageSigner good{developer, leafA, true, true, true};
    struct Case {
        const char* what;
        PackageSigner signer;
        std::optional<QString> expected;
        QString result; // the Team ID, or the refusal
    };
    const QList<Case> cases = {
        {"notarized, nothing on record", good, std::nullopt, "AAAAAAAAAA"},
        {"same team on record", {developer, leafA, true, false, true}, QString("AAAAAAAAAA"), "AAAAAAAAAA"},
        {"unsigned",
         {"no signature", std::nullopt, false, false, false},
         std::nullopt,
         "\u2068Alpha\u2069's installer package isn't signed, so Quenlark can't tell who made it. Refusing to run it."},
        {"untrusted",
         {"signed by untrusted certificate", leafA, false, false, false},
         std::nullopt,
         "\u2068Alpha\u2069's installer package is signed by \u2068" + leafA + "\u2069" +
             " (signed by untrusted certificate), not a Developer ID Installer certificate from Apple. Refusing to run "
             "it."},
        {"no leaf",
         {developer, std::nullopt, true, true, true},
         std::nullopt,
         "\u2068Alpha\u2069's installer package is signed by an unknown certificate (" + developer +
             "), not a Developer ID Installer certificate from Apple. Refusing to run it."},
        {"rejected even with a team on record",
         {developer, leafA, true, true, false},
         QString("AAAAAAAAAA"),
         "Gatekeeper rejects \u2068Alpha\u2069's installer package (spctl --assess --type install), for example "
         "because it isn't "
         "notarized or its certificate was revoked. Refusing to run it."},
        {"not notarized, nothing on record",
         {developer, leafA, true, false, true},
         std::nullopt,
         "\u2068Alpha\u2069's installer package isn't notarized by Apple, and your other Mac has no developer on "
         "record to compare it "
         "with. Refusing to run it."},
        {"other team", good, QString("BBBBBBBBBB"),
         "Team ID mismatch: \u2068Alpha\u2069 on your other Mac was signed by \u2068BBBBBBBBBB\u2069, this package by "
         "\u2068AAAAAAAAAA\u2069. Refusing to run "
         "it."},
    };
    for (const Case& c : cases) {
        QString result;
        try {
            result = Updater::checkPackage(c.signer, "Alpha", c.expected);
        } catch (const UpdateError& error) {
            EXPECT_FALSE(error.needsPermission || error.final) << c.what;
            result = error.description();
        }
        EXPECT_EQ(result, c.result) << c.what;
    }
}

TEST(Package, EachSignedFormGetsItsVerdictThroughTheTools) {
    QTemporaryDir anchors;
    TestPki::shared().writeAnchors(anchors.path());
    qputenv("QUENLARK_ANCHORS", QFile::encodeName(anchors.path()));
    QTemporaryDir dir;
    struct Case {
        const char* what;
        PackageBuilder builder;
        std::optional<QString> expected;
        QString result;
    };
    const QString unsignedSentence =
        "\u2068Alpha\u2069's installer package isn't signed, so Quenlark can't tell who made it. Refusing to run it.";
    const QString gatekeeper =
        "Gatekeeper rejects \u2068Alpha\u2069's installer package (spctl --assess --type install), for "
        "example because it isn't notarized or its certificate was revoked. Refusing to run it.";
    const QList<Case> cases = {
        {"unsigned", PackageBuilder::unsignedPackage(), std::nullopt, unsignedSentence},
        {"team A notarized", PackageBuilder::teamA(true), std::nullopt, "AAAAAAAAAA"},
        {"team A notarized, on record", PackageBuilder::teamA(true), QString("AAAAAAAAAA"), "AAAAAAAAAA"},
        {"team A without ticket", PackageBuilder::teamA(false), QString("AAAAAAAAAA"), gatekeeper},
        {"team B", PackageBuilder::teamB(true), QString("AAAAAAAAAA"),
         "Team ID mismatch: \u2068Alpha\u2069 on your other Mac was signed by \u2068AAAAAAAAAA\u2069, this package by "
         "\u2068BBBBBBBBBB\u2069. Refusing to "
         "run it."},
        {"untrusted chain", PackageBuilder::untrustedChain(), std::nullopt,
         "\u2068Alpha\u2069's installer package is signed by \u2068Developer ID Installer: Alpha Software "
         "(AAAAAAAAAA)\u2069 (signed by "
         "untrusted certificate), not a Developer ID Installer certificate from Apple. Refusing to run it."},
        {"changed after signing", PackageBuilder::teamA(true).tamper(PackageBuilder::Tamper::TocAndChecksum),
         QString("AAAAAAAAAA"), unsignedSentence},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath("p.pkg");
        ASSERT_TRUE(c.builder.write(path));
        QString result;
        try {
            result = Updater::checkPackage(Updater::packageSigner(path), "Alpha", c.expected);
        } catch (const UpdateError& error) {
            result = error.description();
        }
        EXPECT_EQ(result, c.result) << c.what;
    }
    qunsetenv("QUENLARK_ANCHORS");
}
