#include "runtime/MainThread.h"
#include "runtime/Observed.h"

#include <gtest/gtest.h>

#include <thread>

// Assertions stay on in every build type, so state touched off the GUI thread stops the program.
TEST(MainThreadDeathTest, ObservableStateSetOffTheGuiThreadAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_TRUE(isMainThread());
    Observed<int> field;
    EXPECT_DEATH(
        {
            std::thread worker([&field] { field.set(1); });
            worker.join();
        },
        "called off the GUI thread");
}
