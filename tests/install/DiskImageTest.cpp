#include "install/Updater.h"
#include "platform/system/ToolPaths.h"
#include "runtime/UpdateError.h"

#include "UdifWriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

TEST(DiskImage, LicenceAgreementIsReadFromTheImageInformation) {
    const QString plist = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                          "<key>Properties</key><dict><key>Software License Agreement</key>%1</dict></dict></plist>\n";
    const QList<std::tuple<const char*, int, QString, bool>> cases = {
        {"agreement", 0, plist.arg("<true/>"), true},
        {"no agreement", 0, plist.arg("<false/>"), false},
        {"licence text first", 0, "Do you agree?\nLicence text\n" + plist.arg("<true/>"), true},
        {"failing tool", 1, plist.arg("<true/>"), false},
        {"not a property list", 0, "<?xml version=\"1.0\"?><html></html>", false},
        {"no XML at all", 0, "Software License Agreement: true", false},
        {"not a Boolean", 0, plist.arg("<string>true</string>"), false},
    };
    for (const auto& [what, status, text, expected] : cases)
        EXPECT_EQ(Updater::licenseAgreementIn(status, text), expected) << what;
}

TEST(DiskImage, AttachAnswersTheLicenceAndDetachClearsTheMount) {
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("volume/Example.app/Contents"));
    QFile f(dir.filePath("volume/Example.app/Contents/Info.plist"));
    f.open(QIODevice::WriteOnly);
    f.write("<plist/>");
    f.close();
    ASSERT_TRUE(makeIso(dir.filePath("volume"), dir.filePath("volume.iso")));
    UdifWriter licensed;
    licensed.licence = "Terms.";
    ASSERT_TRUE(licensed.write(dir.filePath("volume.iso"), dir.filePath("Licensed.dmg")));
    ASSERT_TRUE(UdifWriter().write(dir.filePath("volume.iso"), dir.filePath("Plain.dmg")));

    for (const auto& [image, agreement] :
         {std::pair{QString("Licensed.dmg"), true}, std::pair{QString("Plain.dmg"), false}}) {
        const QString mount = dir.filePath("work/mount");
        EXPECT_EQ(Updater::attach(dir.filePath(image), mount), agreement);
        EXPECT_TRUE(QFile::exists(mount + "/Example.app/Contents/Info.plist"));
        Updater::detach(mount);
        EXPECT_FALSE(QFile::exists(mount + "/Example.app"));
    }
    Updater::detach(dir.filePath("never-attached")); // ignored

    try {
        Updater::attach(dir.filePath("volume.iso"), dir.filePath("work/mount"));
        FAIL() << "attached a bare volume";
    } catch (const UpdateError& e) {
        EXPECT_EQ(e.description(), "hdiutil failed: hdiutil: attach failed - image not recognized");
    }
}
