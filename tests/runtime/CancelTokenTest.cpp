#include "runtime/CancelToken.h"
#include "runtime/Cancelled.h"
#include "runtime/Describe.h"

#include "RecordingReporter.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

TEST(CancelToken, ReachesCopiesAndEveryDescendantButNeverItsParent) {
    CancelToken root;
    CancelToken child = root.child();
    CancelToken grandchild = child.child();
    CancelToken sibling = root.child();
    CancelToken copy = child;

    sibling.cancel();
    EXPECT_FALSE(root.isCancelled());
    EXPECT_FALSE(child.isCancelled());

    root.cancel();
    EXPECT_TRUE(child.isCancelled());
    EXPECT_TRUE(copy.isCancelled());
    EXPECT_TRUE(grandchild.isCancelled());
    EXPECT_TRUE(root.child().isCancelled()); // born cancelled
    EXPECT_NO_THROW(CancelToken().check());
    try {
        grandchild.check();
        ADD_FAILURE() << "no error";
    } catch (...) {
        EXPECT_TRUE(isCancellation(std::current_exception()));
    }
}

TEST(CancelToken, OnCancelRunsOnceQueuedWhenLateAndNeverAfterItsContextIsGone) {
    CancelToken token;
    QObject context;
    int calls = 0;
    token.onCancel(&context, [&calls] { ++calls; });
    auto gone = std::make_unique<QObject>();
    int callsAfterGone = 0;
    token.onCancel(gone.get(), [&callsAfterGone] { ++callsAfterGone; });
    gone.reset();

    token.cancel();
    token.cancel();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(callsAfterGone, 0);

    int late = 0;
    token.onCancel(&context, [&late] { ++late; });
    EXPECT_EQ(late, 0); // not from inside the caller
    ASSERT_TRUE(waitUntil([&] { return late == 1; }));

    // Cancelling a parent reaches a child's hooks too.
    CancelToken parent;
    CancelToken child = parent.child();
    int childCalls = 0;
    child.onCancel(&context, [&childCalls] { ++childCalls; });
    parent.cancel();
    EXPECT_EQ(childCalls, 1);
}

TEST(CancelToken, AFailingHookIsReportedAndTheOthersStillRun) {
    RecordingReporter reporter;
    CancelToken token;
    QObject context;
    int calls = 0;
    token.onCancel(&context, [] { throw std::runtime_error("hook failed"); });
    token.onCancel(&context, [&calls] { ++calls; });
    token.cancel();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(reporter.texts, QStringList{"hook failed"});
}
