#include "onboarding/Marquee.h"
#include "onboarding/NotchDemoTimeline.h"
#include "onboarding/WelcomePage.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

TEST(Marquee, WallRowsRotateBySevenAndRepeatUntilEight) {
    struct Row {
        int row, count;
        QList<int> icons;
    };
    const Row rows[] = {
        {0, 3, {0, 1, 2, 0, 1, 2, 0, 1, 2}},
        {1, 3, {1, 2, 0, 1, 2, 0, 1, 2, 0}},
        {2, 3, {2, 0, 1, 2, 0, 1, 2, 0, 1}},
        {3, 3, {0, 1, 2, 0, 1, 2, 0, 1, 2}},
        {1, 8, {7, 0, 1, 2, 3, 4, 5, 6}},
        {2, 1, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {0, 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << row.row << " of " << row.count);
        EXPECT_EQ(Marquee::wallRow(row.row, row.count), row.icons);
    }
}

TEST(Marquee, RowsDriftOneSpanPerPeriodEvenLeftOddRightAndAnEmptyOneStands) {
    struct Row {
        int row;
        double span, seconds, offset;
    };
    const Row rows[] = {
        {0, 780, 0, 0},    {0, 780, 11, -390},
        {0, 780, 22, 0},   {1, 780, 13, -390},
        {1, 780, 0, -780}, {2, 624, 25, -156},
        {3, 0, 100, 0},    {0, 780, 1e9, -(780.0 * 1e9 / 22 - std::floor(1e9 / 22) * 780)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << row.row << " at " << row.seconds);
        EXPECT_NEAR(Marquee::wallOffset(row.row, row.span, row.seconds), row.offset, 1e-3);
    }
    EXPECT_EQ(Marquee::wallIconSize(0), 52);
    EXPECT_EQ(Marquee::wallIconSize(1), 64);
    EXPECT_EQ(Marquee::wallIconSize(2), 64);
    EXPECT_EQ(Marquee::wallIconSize(3), 52);
    EXPECT_NEAR(Marquee::chipOffset(5, 18, false, 9), -425, 1e-6);
    EXPECT_NEAR(Marquee::chipOffset(5, 22, true, 11), -425, 1e-6);
}

TEST(WelcomePage, TheSafetyStepsTickEveryHalfSecondAndStartOverAfterARest) {
    const int steps = WelcomePage::safetySteps().size();
    ASSERT_EQ(steps, 5);
    EXPECT_DOUBLE_EQ(WelcomePage::safetyRound(steps), 4.7);
    const std::pair<double, int> timeline[] = {{0, 0},   {0.49, 0}, {0.5, 1}, {1.0, 2}, {2.0, 4},
                                               {2.5, 5}, {4.69, 5}, {4.7, 0}, {5.2, 1}};
    for (const auto& [seconds, done] : timeline)
        EXPECT_EQ(WelcomePage::safetyDone(seconds, steps), done) << seconds << " s";
    // Each tick springs in from the moment it passed, and a new round starts every step afresh.
    EXPECT_NEAR(WelcomePage::safetySince(1.2, 1, steps), 0.2, 1e-9);
    EXPECT_LT(WelcomePage::safetySince(4.7 + 0.3, 0, steps), 0);
    EXPECT_EQ(WelcomePage::sourceChips(),
              (QStringList{QStringLiteral("Mac App Store"), QStringLiteral("Sparkle"), QStringLiteral("Homebrew cask"),
                           QStringLiteral("GitHub Releases"), QStringLiteral("Electron")}));
}

TEST(NotchDemoTimeline, OneCycleOpensFillsInstallsChecksAndFoldsThenRepeats) {
    using NotchDemoTimeline::State;
    const std::pair<double, State> moments[] = {
        {0, {false, 0, 0, false}},          {0.89, {false, 0, 0, false}}, {0.9, {true, 0, 0, false}},
        {1.04, {true, 1, 0, false}},        {1.2, {true, 2, 0, false}},   {1.32, {true, 3, 0, false}},
        {2.22, {true, 3, 1, false}},        {3.91, {true, 3, 1, false}},  {3.92, {true, 3, 1, true}},
        {5.72, {false, 0, 1, true}},        {6.51, {false, 0, 1, true}},  {6.52, {false, 0, 0, false}},
        {6.52 + 1.04, {true, 1, 0, false}},
    };
    for (const auto& [seconds, state] : moments) {
        SCOPED_TRACE(testing::Message() << seconds << " s");
        EXPECT_EQ(NotchDemoTimeline::stepAt(seconds).state, state);
    }
    EXPECT_EQ(NotchDemoTimeline::reduced(), (State{true, 3, 0, true}));
}

// Each change moves from where it landed to its end: a new row fades in while sliding down 6 and
// the panel grows by it, the check mark scales in from nothing, and everything folds together.
TEST(NotchDemoTimeline, EachChangeRunsFromWhereItLandedToItsEnd) {
    using NotchDemoTimeline::frameAt;
    EXPECT_EQ(frameAt(1.04).rowOffset(0), -6) << "a row lands faded, 6 above its place";
    EXPECT_LT(frameAt(1.2).height, frameAt(1.3).height);
    const NotchDemoTimeline::Frame open = frameAt(2.2), folded = frameAt(6.5);
    EXPECT_NEAR(open.rowOffset(2), 0, 0.1);
    EXPECT_NEAR(open.height, 170, 0.5) << "the header and three rows under the notch";
    EXPECT_EQ(frameAt(3.92).check, 0);
    EXPECT_NEAR(frameAt(5.7).check, 1, 0.01);
    EXPECT_NEAR(folded.open + folded.rows[0], 0, 0.01);
    EXPECT_NEAR(folded.height, 26, 0.5);
}
