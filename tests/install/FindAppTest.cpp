#include "install/Updater.h"
#include "platform/system/PropertyList.h"
#include "runtime/UpdateError.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QVariantMap>

namespace {

void makeApp(const QString& path, const QString& id) {
    QDir().mkpath(path + "/Contents");
    QFile f(path + "/Contents/Info.plist");
    f.open(QIODevice::WriteOnly);
    f.write(PropertyList::toXml(QVariantMap{{"CFBundleIdentifier", id}}).value());
}

QString relative(const QTemporaryDir& dir, const QString& path) { return QDir(dir.path()).relativeFilePath(path); }

} // namespace

TEST(FindApp, PrefersTheWantedBundleAndLooksOneFolderDown) {
    struct Case {
        const char* what;
        QList<std::pair<QString, QString>> apps; // path below the folder, identifier
        QString expected;
    };
    const QList<Case> cases = {
        {"wanted one second", {{"A Other.app", "com.other"}, {"B Wanted.app", "com.example"}}, "in/B Wanted.app"},
        {"only another app", {{"Other.app", "com.other"}}, "in/Other.app"},
        {"wrapped in a folder", {{"Example 1.0/Example.app", "com.example"}}, "in/Example 1.0/Example.app"},
        {"hidden entries count", {{".hidden/Example.app", "com.example"}}, "in/.hidden/Example.app"},
        {"exact identifier", {{"A.app", "COM.EXAMPLE"}, {"B.app", "com.example"}}, "in/B.app"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        for (const auto& [path, id] : c.apps)
            makeApp(dir.filePath("in/" + path), id);
        EXPECT_EQ(relative(dir, Updater::findApp(dir.filePath("in"), "com.example")), c.expected);
    }
}

TEST(FindApp, NeverTakesOrEntersLinks) {
    QTemporaryDir dir;
    makeApp(dir.filePath("outside/Example.app"), "com.example");
    QDir().mkpath(dir.filePath("in/Deep/Deeper"));
    makeApp(dir.filePath("in/Deep/Deeper/Example.app"), "com.example"); // two folders down
    QFile::link(dir.filePath("outside/Example.app"), dir.filePath("in/Example.app"));
    QFile::link(dir.filePath("outside"), dir.filePath("in/Linked"));

    try {
        Updater::findApp(dir.filePath("in"), "com.example");
        FAIL() << "found ";
    } catch (const UpdateError& e) {
        EXPECT_EQ(e.description(), "The download doesn't contain an app.");
    }
    try {
        Updater::findApp(dir.filePath("missing"), "com.example");
        FAIL() << "no error";
    } catch (const UpdateError& e) {
        EXPECT_EQ(e.description(), "The download doesn't contain an app.");
    }
}
