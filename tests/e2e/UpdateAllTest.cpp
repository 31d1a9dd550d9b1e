#include "DemoLaunch.h"
#include "Desktop.h"

#include "platform/system/PropertyList.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include <map>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

QString versionOf(const QString& bundle) {
    const auto info = PropertyList::dictionaryFromFile(bundle + u"/Contents/Info.plist"_s);
    return info ? info->value(u"CFBundleShortVersionString"_s).toString() : QString();
}

} // namespace

// A person's road through the demo: the window opens, the check finds the updates, Update All
// installs every one that can be installed in place, and the old copies go to the Trash.
TEST(UpdateAll, TheDemosWindowUpdatesEveryBundleInPlace) {
    DemoLaunch launch;
    ASSERT_TRUE(launch.make());
    // What the server offers for the bundles Quenlark updates in place. The others stay as they
    // are: the store's app and the package open their pages, the Electron app updates itself.
    const std::map<QString, QString> offered{
        {u"Lumen"_s, u"1.5.0"_s}, {u"Harbor"_s, u"3.2.0"_s}, {u"Quill"_s, u"1.0.0"_s}};
    const QString applications = launch.demo().applications();
    const QDir trash(QFileInfo(applications).path() + u"/Trash"_s);

    ASSERT_TRUE(launch.start(DemoLaunch::Start().afterFirstCheck()));
    DemoQuenlark& quenlark = launch.quenlark();
    const WId window = launch.window();
    EXPECT_TRUE(Desktop::screenshot(window, QStringLiteral(QUENLARK_SCREENS "/e2e-before.png")));
    for (const auto& [name, version] : offered)
        EXPECT_NE(versionOf(applications + u'/' + name + u".app"_s), version) << name.toStdString();

    ASSERT_TRUE(Desktop::activate(window));
    ASSERT_TRUE(Desktop::press(u"ctrl+shift+u"_s));

    auto updated = [&] {
        for (const auto& [name, version] : offered)
            if (versionOf(applications + u'/' + name + u".app"_s) != version)
                return false;
        return true;
    };
    const bool done = Desktop::waitUntil(updated, 60s);
    EXPECT_TRUE(Desktop::screenshot(window, QStringLiteral(QUENLARK_SCREENS "/e2e-after.png")));
    ASSERT_TRUE(done) << quenlark.text();
    EXPECT_TRUE(quenlark.running()) << quenlark.text();

    // Every replaced bundle's old copy is in the sandbox's Trash, as it was.
    const auto old = [&](const QString& name) {
        std::map<QString, QString> versions;
        for (const QFileInfo& item : trash.entryInfoList({name + u"*.app"_s}, QDir::Dirs | QDir::NoDotAndDotDot))
            versions[item.fileName()] = versionOf(item.filePath());
        return versions;
    };
    EXPECT_EQ(old(u"Lumen"_s), (std::map<QString, QString>{{u"Lumen.app"_s, u"1.4.0"_s}}));
    EXPECT_EQ(old(u"Harbor"_s), (std::map<QString, QString>{{u"Harbor.app"_s, u"3.1.0"_s}}));
    EXPECT_EQ(old(u"Quill"_s), (std::map<QString, QString>{{u"Quill.app"_s, u"0.9.0"_s}}));
    for (const auto& [name, version] : std::map<QString, QString>{
             {u"Ledger"_s, u"4.1"_s}, {u"Relay"_s, u"5.0.1"_s}, {u"Mosaic"_s, u"7.2"_s}, {u"Pebble"_s, u"2.0.0"_s}}) {
        EXPECT_EQ(versionOf(applications + u'/' + name + u".app"_s), version) << name.toStdString();
        EXPECT_TRUE(old(name).empty()) << name.toStdString();
    }
}
