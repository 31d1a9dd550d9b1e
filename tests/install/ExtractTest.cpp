#include "install/Updater.h"
#include "platform/system/PropertyList.h"
#include "runtime/UpdateError.h"

#include "UdifWriter.h"
#include "ZipBuilder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QVariantMap>

namespace {

QByteArray infoPlist(const QString& id) { return PropertyList::toXml(QVariantMap{{"CFBundleIdentifier", id}}).value(); }

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
}

QString expectRefusal(const QString& file, const QString& work) {
    try {
        Updater::extract(file, work, "com.example");
    } catch (const UpdateError& e) {
        return e.description();
    }
    return "accepted";
}

} // namespace

TEST(Extract, UnpacksAZipWrappedBundleAndConfinesIt) {
    QTemporaryDir dir;
    const QString zip = dir.filePath("Example.zip");
    ASSERT_TRUE(ZipBuilder()
                    .file("Example 2.0/Other.app/Contents/Info.plist", infoPlist("com.other"))
                    .file("Example 2.0/Example.app/Contents/Info.plist", infoPlist("com.example"))
                    .file("Example 2.0/Example.app/Contents/MacOS/Example", "exe", 0755)
                    .write(zip));
    // A zip that also ends like a disk image is still a zip.
    QFile append(zip);
    append.open(QIODevice::Append);
    append.write(QByteArray("koly") + QByteArray(508, '\0'));
    append.close();

    const auto result = Updater::extract(zip, dir.filePath("work"), "com.example");

    EXPECT_EQ(result.app, dir.filePath("work/extracted/Example 2.0/Example.app"));
    EXPECT_FALSE(result.agreement);
}

TEST(Extract, CopiesTheBundleOutOfALicensedImageAndDetachesIt) {
    QTemporaryDir dir;
    writeFile(dir.filePath("volume/Example.app/Contents/Info.plist"), infoPlist("com.example"));
    ASSERT_TRUE(makeIso(dir.filePath("volume"), dir.filePath("volume.iso")));
    UdifWriter writer;
    writer.licence = "Terms.";
    ASSERT_TRUE(writer.write(dir.filePath("volume.iso"), dir.filePath("Example.dmg")));

    const auto result = Updater::extract(dir.filePath("Example.dmg"), dir.filePath("work"), "com.example");

    EXPECT_EQ(result.app, dir.filePath("work/extracted/Example.app"));
    EXPECT_TRUE(result.agreement);
    EXPECT_TRUE(QFile::exists(result.app + "/Contents/Info.plist"));
    EXPECT_FALSE(QFile::exists(dir.filePath("work/mount/Example.app"))) << "detached";
}

TEST(Extract, RefusesWhatIsNeitherZipNorImageAndImagesWithoutApps) {
    QTemporaryDir dir;
    writeFile(dir.filePath("short"), QByteArray(511, 'x'));
    writeFile(dir.filePath("package.pkg"), QByteArray("xar!") + QByteArray(4096, '\0'));
    writeFile(dir.filePath("empty/readme.txt"), "no app here");
    ASSERT_TRUE(makeIso(dir.filePath("empty"), dir.filePath("empty.iso")));
    ASSERT_TRUE(UdifWriter().write(dir.filePath("empty.iso"), dir.filePath("Empty.dmg")));
    const QString unsupported = "Unsupported download format. Quenlark installs from .zip and .dmg only.";

    EXPECT_EQ(expectRefusal(dir.filePath("short"), dir.filePath("w1")), unsupported);
    EXPECT_EQ(expectRefusal(dir.filePath("package.pkg"), dir.filePath("w2")), unsupported);
    EXPECT_EQ(expectRefusal(dir.filePath("Empty.dmg"), dir.filePath("w3")), "The download doesn't contain an app.");
    EXPECT_FALSE(QFile::exists(dir.filePath("w3/mount/readme.txt"))) << "detached after the failure";
}
