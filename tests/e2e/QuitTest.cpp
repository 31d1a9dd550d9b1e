#include "DemoLaunch.h"
#include "Desktop.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

// "Quit Quenlark" (Ctrl+Q) ends the process at once, with the main window open, while the window
// folds away after a close, while updates run and with the settings window open, and the
// application's teardown ends cleanly.
TEST(Quit, EndsTheProcessWhateverTheWindowIsDoing) {
    DemoLaunch launch;
    struct Case {
        const char* what;
        bool closeFirst; // the window folds away while Quit comes
        QStringList keys;
    };
    const Case cases[] = {
        {"window open", false, {u"ctrl+q"_s}},
        {"while it folds", true, {u"ctrl+q"_s}},
        {"while Update All runs", false, {u"ctrl+shift+u"_s, u"ctrl+q"_s}},
        // Its countdown waits on a timer when the quit comes.
        {"with the settings window open", false, {u"ctrl+comma"_s, u"ctrl+q"_s}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(launch.start(DemoLaunch::Start().afterFirstCheck())) << c.what;
        DemoQuenlark& quenlark = launch.quenlark();
        ASSERT_TRUE(Desktop::activate(launch.window())) << c.what;
        if (c.closeFirst) {
            ASSERT_TRUE(Desktop::close(launch.window())) << c.what;
        }
        // One call, so that the second key comes while the first one's work still runs.
        QStringList arguments{u"key"_s, u"--clearmodifiers"_s};
        arguments += c.keys;
        ASSERT_TRUE(Desktop::run(u"xdotool"_s, arguments)) << c.what;
        EXPECT_EQ(quenlark.ended(10s), 0) << c.what << ": " << quenlark.text();
    }
}
