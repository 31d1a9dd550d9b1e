#include "notch/IslandMorph.h"
#include "notch/NotchOccupants.h"
#include "notch/NotchShape.h"

#include <gtest/gtest.h>

namespace {

using NotchOccupants::Window;

// A window over the top centre of a 1920-wide screen that passes every rule.
Window covering() {
    Window window;
    window.id = 7;
    window.pid = 42;
    window.owner = QStringLiteral("Player");
    window.bounds = QRectF(800, 0, 300, 60);
    window.above = true;
    return window;
}

TEST(NotchOccupants, EachRuleExcludesInItsOrder) {
    const QRectF screen(0, 0, 1920, 1080);
    const QRectF area = NotchOccupants::area(screen, {});
    EXPECT_EQ(area, QRectF(780, 0, 360, 80));
    EXPECT_EQ(NotchOccupants::area(screen, {400, 32}), QRectF(720, 0, 480, 80));

    struct Case {
        const char* what;
        std::function<void(Window&)> change;
        bool occupant;
    };
    const Case cases[] = {
        {"passes every rule", [](Window&) {}, true},
        {"no owner id is no exclusion", [](Window& w) { w.pid.reset(); }, true},
        {"this process's window", [](Window& w) { w.pid = 1; }, false},
        {"a normal window is not high", [](Window& w) { w.above = false; }, false},
        {"override-redirect is high",
         [](Window& w) {
             w.above = false;
             w.overrideRedirect = true;
         },
         true},
        {"a notification is high",
         [](Window& w) {
             w.above = false;
             w.notification = true;
         },
         true},
        {"the desktop's own parts", [](Window& w) { w.owner = QStringLiteral("SystemUIServer"); }, false},
        // A centred top dock or short top panel, 600 × 40, is the desktop's own as well.
        {"a dock or panel",
         [](Window& w) {
             w.above = false;
             w.dock = true;
             w.bounds = QRectF(660, 0, 600, 40);
         },
         false},
        {"a dock kept above", [](Window& w) { w.dock = true; }, false},
        {"transparent", [](Window& w) { w.opacity = 0.0; }, false},
        {"faint but visible", [](Window& w) { w.opacity = 0.1; }, true},
        {"no bounds", [](Window& w) { w.bounds.reset(); }, false},
        {"beside the area", [](Window& w) { w.bounds = QRectF(0, 0, 300, 60); }, false},
        {"spans the screen", [](Window& w) { w.bounds = QRectF(0, 0, 1536, 60); }, false},
        {"just narrower than 0.8", [](Window& w) { w.bounds = QRectF(200, 0, 1535, 60); }, true},
        {"no window number", [](Window& w) { w.id.reset(); }, false},
    };
    for (const Case& c : cases) {
        Window window = covering();
        c.change(window);
        EXPECT_EQ(NotchOccupants::occupants({window}, area, screen.width(), 1).size(), c.occupant ? 1 : 0) << c.what;
    }

    Window nameless = covering();
    nameless.owner.clear();
    EXPECT_EQ(NotchOccupants::occupants({nameless}, area, screen.width(), 1),
              (QList<NotchOccupants::Occupant>{{7, QStringLiteral("?"), QRectF(800, 0, 300, 60)}}));
}

TEST(NotchShape, LowerCornersNeverOverlapAndNeverTurnNegative) {
    struct Case {
        QSizeF size;
        double radius;
    };
    const Case cases[] = {
        {{200, 32}, 10}, {{200, 20}, 4}, {{30, 32}, 3}, {{20, 32}, 0}, {{200, 10}, 0}, {{0, 0}, 0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ((NotchShape{12, 10}.radius(c.size)), c.radius) << c.size.width() << "x" << c.size.height();
    // The top edge keeps the full width; the body hangs between the ears.
    const QPainterPath path = NotchShape{12, 10}.path(QRectF(0, 0, 200, 32));
    EXPECT_EQ(path.boundingRect(), QRectF(0, 0, 200, 32));
    EXPECT_TRUE(path.contains(QPointF(100, 31)));
}

TEST(IslandMorph, SpringOvershootsSlightlyAndSettles) {
    EXPECT_DOUBLE_EQ(IslandMorph::progress(0), 0);
    EXPECT_NEAR(IslandMorph::progress(IslandMorph::duration), 1.0002, 0.0001);
    double peak = 0;
    for (int i = 0; i <= 560; ++i)
        peak = std::max(peak, IslandMorph::progress(i / 1000.0));
    EXPECT_NEAR(peak, 1.02, 0.005);

    const QRectF window(100, 100, 1120, 780), island(885, 0, 150, 34);
    const auto a = IslandMorph::windowOutline(), b = IslandMorph::foldedIsland(false);
    const auto start = IslandMorph::frame(window, island, a, b, true, 0);
    EXPECT_EQ(start.rect, window);
    EXPECT_EQ(start.outline, a);
    const auto end = IslandMorph::frame(window, island, a, b, true, 1);
    EXPECT_NEAR(end.rect.width(), 150, 0.3);
    EXPECT_NEAR(end.rect.top(), 0, 0.2);
    EXPECT_EQ(end.outline, b);
    // Past the spring's peak the shape has shrunk beyond the island; the outline stops at it.
    const auto beyond = IslandMorph::frame(window, island, a, b, true, 0.5);
    EXPECT_LT(beyond.rect.width(), 140);
    EXPECT_EQ(beyond.outline, b);
}

TEST(IslandMorph, OutlinesOfEachShape) {
    struct Case {
        const char* shape;
        IslandMorph::Outline outline, want;
    };
    const Case cases[] = {
        {"the main window", IslandMorph::windowOutline(), {0, 18, 18}},
        {"expanded, notched", IslandMorph::expandedIsland(true), {12, 0, 30}},
        {"expanded, no notch", IslandMorph::expandedIsland(false), {0, 28, 28}},
        {"folded, notched", IslandMorph::foldedIsland(true), {12, 0, 10}},
        {"folded, no notch", IslandMorph::foldedIsland(false), {0, 17, 17}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.outline, c.want) << c.shape;

    // A window's top corners curve inwards; the notch's ears flare out along the screen's top
    // edge, above a body inset by the ear.
    struct Point {
        const char* where;
        QRectF rect;
        IslandMorph::Outline outline;
        QPointF point;
        bool inside;
    };
    const QRectF window(0, 0, 200, 100), notch(0, 0, 224, 32);
    const Point points[] = {
        {"window middle", window, {0, 18, 18}, {100, 50}, true},
        {"window top-left corner", window, {0, 18, 18}, {2, 2}, false},
        {"window top edge", window, {0, 18, 18}, {100, 0.5}, true},
        {"window bottom-right corner", window, {0, 18, 18}, {198, 98}, false},
        {"ear at the top right", notch, {12, 0, 10}, {216, 1}, true},
        {"beside the ear", notch, {12, 0, 10}, {223, 3}, false},
        {"beside the body", notch, {12, 0, 10}, {6, 20}, false},
        {"body", notch, {12, 0, 10}, {100, 20}, true},
        {"body's rounded corner", notch, {12, 0, 10}, {13, 31}, false},
    };
    for (const Point& p : points)
        EXPECT_EQ(IslandMorph::outline(p.rect, p.outline).contains(p.point), p.inside) << p.where;
    EXPECT_EQ(IslandMorph::outline(notch, {12, 0, 10}).boundingRect(), notch);
}

TEST(IslandMorph, OpacityCheckpoints) {
    struct Case {
        bool closing;
        double t, picture, border, shadow, overlay, island;
    };
    const Case cases[] = {
        {true, 0, 1, 0, 0.45, 1, 1},
        {true, 0.65, 0, 0.5, 0.45 * (1 - IslandMorph::smoothstep(0.65 / 0.8)), 1, 0},
        {true, 0.8, 0, 1, 0, 1, 0},
        {true, 0.91, 0, 1, 0, 0.5, 0},
        {true, 1, 0, 1, 0, 0, 0},
        {false, 0, 0, 1, 0.45, 1, 1},
        {false, 0.22, IslandMorph::smoothstep(0.2), 1 - IslandMorph::smoothstep(0.22 / 0.3), 0.45, 1, 0},
        {false, 0.37, 0.5, 0, 0.45, 1, 0},
        {false, 0.62, 1, 0, 0.45, 1, 0},
    };
    const QRectF r(0, 0, 10, 10);
    for (const Case& c : cases) {
        const auto f = IslandMorph::frame(r, r, {}, {}, c.closing, c.t);
        const double got[] = {f.picture, f.border, f.shadow, f.overlay, f.island};
        const double want[] = {c.picture, c.border, c.shadow, c.overlay, c.island};
        for (int i = 0; i < 5; ++i)
            EXPECT_NEAR(got[i], want[i], 1e-9) << c.closing << " at " << c.t << ", value " << i;
    }
}

TEST(IslandMorph, FoldedIslandHangsFromTheNotchOrBelowTheWorkArea) {

    const QRectF screen(0, 0, 1920, 1080), work(0, 28, 1920, 1052);
    const auto pill = IslandMorph::folded(screen, work, {});
    EXPECT_EQ(pill.rect, QRectF(885, 36, 150, 34));
    EXPECT_FALSE(pill.notched);
    const auto notched = IslandMorph::folded(screen, work, {200, 32});
    EXPECT_EQ(notched.rect, QRectF(848, 0, 224, 32));
    EXPECT_EQ(notched.outline, (IslandMorph::Outline{12, 0, 10}));
    EXPECT_TRUE(notched.notched);
}

} // namespace
