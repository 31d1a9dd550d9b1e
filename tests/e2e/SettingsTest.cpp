#include "Accessibility.h"
#include "Desktop.h"
#include "DemoSandbox.h"
#include "DemoQuenlark.h"
#include "TestEnvironment.h"

#include "app/MainWindow.h"
#include "platform/desktop/LoginItem.h"
#include "platform/system/PropertyList.h"

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

std::optional<qint64> storedInterval() {
    const auto settings = PropertyList::dictionaryFromFile(
        qEnvironmentVariable("XDG_CONFIG_HOME") + u"/com.quenlark.Quenlark/com.quenlark.Quenlark.sandbox.plist"_s);
    if (!settings || !settings->contains(u"intervalHours"_s))
        return std::nullopt;
    return settings->value(u"intervalHours"_s).toLongLong();
}

} // namespace

// The Settings command opens the window; opening it writes nothing, and choosing a new check
// interval on the Updates tab stores it and restarts the background schedule.
TEST(Settings, ANewIntervalIsStoredAndRestartsTheSchedule) {
    DemoSandbox demo(TestEnvironment::root() + u"/demo"_s);
    ASSERT_NO_THROW(demo.make(QStringLiteral(QUENLARK_BUNDLE)));
    QProcessEnvironment logging;
    logging.insert(u"QT_LOGGING_RULES"_s,
                   u"quenlark.app.debug=true;quenlark.onboarding.debug=true;quenlark.store.debug=true"_s);
    DemoQuenlark quenlark(demo, logging);
    const auto main = Desktop::waitForWindow(MainWindow::title, 30s);
    ASSERT_TRUE(main) << quenlark.text();
    ASSERT_TRUE(Desktop::activate(*main));
    ASSERT_TRUE(Desktop::press(u"ctrl+comma"_s));
    const auto settings = Desktop::waitForWindow(u"Settings"_s, 10s);
    ASSERT_TRUE(settings) << quenlark.text();
    EXPECT_TRUE(Desktop::screenshot(*settings, QStringLiteral(QUENLARK_SCREENS "/e2e-settings-general.png"), 3s));
    EXPECT_EQ(storedInterval(), std::nullopt) << "opening the window wrote the interval";
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
    EXPECT_EQ(storedInterval(), 6);
    // The store itself started its schedule again at the new interval.
    EXPECT_TRUE(Desktop::waitUntil([&] { return quenlark.said("background checks every 6 hours"); }, 10s))
        << quenlark.text();
    EXPECT_TRUE(Desktop::screenshot(*settings, QStringLiteral(QUENLARK_SCREENS "/e2e-settings-updates.png"), 3s));
    EXPECT_TRUE(quenlark.running()) << quenlark.text();
}

// The General tab's open-at-login switch, read and pressed as a screen reader would: on, it
// writes the autostart entry that starts the bundle quietly; off, it takes the entry away.
TEST(Settings, TheLoginSwitchWritesAndRemovesTheAutostartEntry) {
    DemoSandbox demo(TestEnvironment::root() + u"/demo"_s);
    ASSERT_NO_THROW(demo.make(QStringLiteral(QUENLARK_BUNDLE)));
    QProcessEnvironment exposed;
    exposed.insert(u"QT_LINUX_ACCESSIBILITY_ALWAYS_ON"_s, u"1"_s);
    DemoQuenlark quenlark(demo, exposed);
    auto accessibility = Accessibility::connect(20s);
    if (!accessibility)
        GTEST_SKIP() << "no accessibility bus";
    const auto main = Desktop::waitForWindow(MainWindow::title, 30s);
    ASSERT_TRUE(main) << quenlark.text();
    ASSERT_TRUE(Desktop::activate(*main));
    ASSERT_TRUE(Desktop::press(u"ctrl+comma"_s));
    ASSERT_TRUE(Desktop::waitForWindow(u"Settings"_s, 10s)) << quenlark.text();
    const QString entry = LoginItem::standardEntry();
    ASSERT_FALSE(QFile::exists(entry));

    auto loginSwitch = [&]() -> std::optional<Accessibility::Object> {
        std::optional<Accessibility::Object> found;
        Desktop::waitUntil([&] {
            for (const auto& object : accessibility->showing(quenlark.pid()))
                if (object.name == u"Open at login"_s)
                    found = object;
            return found.has_value();
        }, 10s);
        return found;
    };
    auto press = [&] {
        const auto box = loginSwitch();
        return box && Desktop::click(box->box.center());
    };
    ASSERT_TRUE(press()) << "the switch";
    ASSERT_TRUE(Desktop::waitUntil([&] { return QFile::exists(entry); }, 10s)) << quenlark.text();
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("/Quenlark.app/Contents/MacOS/quenlark --background"));
    file.close();
    ASSERT_TRUE(press()) << "the switch again";
    EXPECT_TRUE(Desktop::waitUntil([&] { return !QFile::exists(entry); }, 10s)) << quenlark.text();
    EXPECT_TRUE(quenlark.running()) << quenlark.text();
}
