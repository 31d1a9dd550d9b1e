#include "account/ui/BrowserWaitWindow.h"

#include <gtest/gtest.h>

#include <QPushButton>

// Cancel and closing the window both end the sign-in, once; dismissing it ends nothing.
TEST(BrowserWaitWindow, CancelAndCloseEndTheSignInOnce) {
    BrowserWaitWindow window;
    int cancelled = 0;
    window.present([&] { ++cancelled; });
    EXPECT_TRUE(window.isVisible());
    window.cancelButton()->click();
    window.close();
    EXPECT_EQ(cancelled, 1);
    EXPECT_FALSE(window.isVisible());

    window.present([&] { ++cancelled; });
    window.close();
    EXPECT_EQ(cancelled, 2);

    window.present([&] { ++cancelled; });
    window.dismiss();
    window.close();
    EXPECT_EQ(cancelled, 2);
}
