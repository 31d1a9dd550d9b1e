#include "DemoLaunch.h"
#include "Desktop.h"

#include "platform/desktop/LoginItem.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

// A click at a point of `window`, as a person's pointer would.
bool clickIn(WId window, int x, int y) {
    return Desktop::run(u"xdotool"_s, {u"mousemove"_s, u"--window"_s, QString::number(window), QString::number(x),
                                       QString::number(y), u"click"_s, u"1"_s})
        .has_value();
}

} // namespace

// The Settings command opens the window; opening it writes nothing, and choosing a new check
// interval on the Updates tab stores it and restarts the background schedule.
TEST(Settings, ANewIntervalIsStoredAndRestartsTheSchedule) {
    DemoLaunch launch;
    QProcessEnvironment logging;
    logging.insert(u"QT_LOGGING_RULES"_s,
                   u"quenlark.app.debug=true;quenlark.settings.debug=true;quenlark.store.debug=true"_s);
    ASSERT_TRUE(launch.start(DemoLaunch::Start().with(logging)));
    DemoQuenlark& quenlark = launch.quenlark();
    const auto settings = launch.openSettings();
    ASSERT_TRUE(settings) << quenlark.text();
    EXPECT_TRUE(Desktop::screenshot(*settings, QStringLiteral(QUENLARK_SCREENS "/e2e-settings-general.png"), 3s));
    EXPECT_FALSE(launch.stored(u"intervalHours"_s).isValid()) << "opening the window wrote the interval";
    EXPECT_FALSE(quenlark.said("schedule restarted"));
    // The launch started the store's schedule once, at the default day.
    EXPECT_TRUE(Desktop::waitUntil([&] { return quenlark.said("background checks every 24 hours"); }, 10s))
        << quenlark.text();
    EXPECT_FALSE(quenlark.said("background checks every 6 hours"));

    // The Updates tab, then the interval picker: one entry up from "Every day" is every 6 hours.
    ASSERT_TRUE(clickIn(*settings, 140, 14));
    ASSERT_TRUE(clickIn(*settings, 376, 68));
    Desktop::waitUntil([] { return false; }, 500ms);
    ASSERT_TRUE(Desktop::press(u"Up"_s));
    ASSERT_TRUE(Desktop::press(u"Return"_s));
    EXPECT_TRUE(Desktop::waitUntil([&] { return quenlark.said("check interval 6 hours: schedule restarted"); }, 10s))
        << quenlark.text();
    // Settings reach the file from a writer of their own, a moment later.
    EXPECT_TRUE(Desktop::waitUntil([&] { return launch.stored(u"intervalHours"_s).toLongLong() == 6; }, 5s));
    // The store itself started its schedule again at the new interval.
    EXPECT_TRUE(Desktop::waitUntil([&] { return quenlark.said("background checks every 6 hours"); }, 10s))
        << quenlark.text();
    EXPECT_TRUE(Desktop::screenshot(*settings, QStringLiteral(QUENLARK_SCREENS "/e2e-settings-updates.png"), 3s));
    EXPECT_TRUE(quenlark.running()) << quenlark.text();
    EXPECT_FALSE(quenlark.said("No Icon set")) << "the tray item showed before it had an icon";
}

// The General tab's open-at-login switch, read and pressed as a screen reader would: on, it
// writes the autostart entry that starts the bundle quietly, in the demo's own home and never in
// the user's; off, it takes the entry away.
TEST(Settings, TheLoginSwitchWritesAndRemovesTheAutostartEntry) {
    DemoLaunch launch;
    ASSERT_TRUE(launch.start(DemoLaunch::Start().exposed()));
    if (!launch.accessibility())
        GTEST_SKIP() << "no accessibility bus";
    DemoQuenlark& quenlark = launch.quenlark();
    ASSERT_TRUE(launch.openSettings()) << quenlark.text();
    const QString entry = launch.demo().configHome() + u"/autostart/com.quenlark.Quenlark.desktop"_s;
    ASSERT_FALSE(QFile::exists(entry));

    auto press = [&] {
        const auto box = launch.showing(u"Open at login"_s, 10s);
        return box && Desktop::click(box->box.center());
    };
    ASSERT_TRUE(press()) << "the switch";
    ASSERT_TRUE(Desktop::waitUntil([&] { return QFile::exists(entry); }, 10s)) << quenlark.text();
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("/Quenlark.app/Contents/MacOS/quenlark --background"));
    file.close();
    EXPECT_FALSE(QFile::exists(LoginItem::standardEntry())) << "the user's own autostart folder";
    ASSERT_TRUE(press()) << "the switch again";
    EXPECT_TRUE(Desktop::waitUntil([&] { return !QFile::exists(entry); }, 10s)) << quenlark.text();
    EXPECT_TRUE(quenlark.running()) << quenlark.text();
}
