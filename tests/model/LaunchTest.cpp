#include "model/Launch.h"

#include <gtest/gtest.h>

#include <QDir>

#include <atomic>
#include <thread>
#include <vector>

namespace {
struct LaunchTest : ::testing::Test {
    void TearDown() override { Launch::setArgsForTest({}); }
};
} // namespace

TEST_F(LaunchTest, ValueTakesTheArgumentAfterTheFirstOccurrence) {
    struct Case {
        QStringList args;
        QString flag;
        std::optional<QString> value;
    };
    const Case cases[] = {
        {{"--notch-delay", "2.5"}, "--notch-delay", "2.5"},
        {{"--device-id", "a", "--device-id", "b"}, "--device-id", "a"},
        {{"--sandbox", "--mock"}, "--sandbox", "--mock"},
        {{"--background", "--sandbox"}, "--sandbox", std::nullopt},
        {{"--background"}, "--sandbox", std::nullopt},
        {{"--Sandbox", "x"}, "--sandbox", std::nullopt},
        {{"--appearance", ""}, "--appearance", ""},
    };
    for (const auto& c : cases) {
        Launch::setArgsForTest(c.args);
        EXPECT_EQ(Launch::value(c.flag), c.value) << c.args.join(' ').toStdString();
    }
}

TEST_F(LaunchTest, SandboxAndMockAreWorkedOutOnce) {
    Launch::setArgsForTest({"--sandbox", "demo/apps", "--mock", "http://127.0.0.1:8123/"});
    EXPECT_EQ(Launch::sandbox(), QDir::current().absoluteFilePath("demo/apps"));
    EXPECT_EQ(Launch::mock(), QUrl("http://127.0.0.1:8123/"));
    EXPECT_TRUE(Launch::has("--mock"));
    EXPECT_FALSE(Launch::has("--background"));

    Launch::setArgsForTest({"--sandbox", "--mock"});
    EXPECT_EQ(Launch::sandbox(), QDir::current().absoluteFilePath("--mock"));
    EXPECT_FALSE(Launch::mock()); // "--mock" is the last argument

    Launch::setArgsForTest({"--mock", "http://[bad"});
    EXPECT_FALSE(Launch::mock());
}

// A later launch hands over its whole command line. The value of "--mock" is an address, yet no
// operand: read as one, a reopen of the demo would go to the sign-in instead of the window.
TEST_F(LaunchTest, OperandsLeaveOutOptionsAndTheirValues) {
    EXPECT_EQ(Launch::operands({"--sandbox", "/tmp/apps", "--mock", "http://127.0.0.1:8123/"}), QStringList());
    const QString redirect = "com.googleusercontent.apps.1-a:/oauth2redirect?state=s&code=c";
    EXPECT_EQ(Launch::operands({"--background", "--notch-delay", "0", "--sandbox", "/x", redirect}),
              QStringList{redirect});
    EXPECT_EQ(Launch::operands({"--reduce-motion", "a", "--firebase-config", "b.json", "c", "--mock"}),
              (QStringList{"a", "c"}));
}

// Whichever thread reads first, every reader sees the same worked-out values.
TEST_F(LaunchTest, FirstReadsFromManyThreadsAgree) {
    for (int round = 0; round < 200; ++round) {
        Launch::setArgsForTest({"--sandbox", "/tmp", "--mock", "http://127.0.0.1:9/"});
        std::atomic<int> ready{0};
        std::atomic<int> wrong{0};
        std::vector<std::thread> readers;
        for (int i = 0; i < 8; ++i) {
            readers.emplace_back([&] {
                ++ready;
                while (ready.load() < 8) {}
                if (Launch::sandbox() != std::optional<QString>("/tmp") || !Launch::mock())
                    ++wrong;
            });
        }
        for (auto& reader : readers)
            reader.join();
        ASSERT_EQ(wrong.load(), 0) << "round " << round;
    }
}
