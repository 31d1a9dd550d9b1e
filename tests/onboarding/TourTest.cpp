#include "StoreHarness.h"

#include "onboarding/Tour.h"
#include "onboarding/TourLayout.h"
#include "runtime/MakeShared.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// An island that records what the tour asks of it.
class FakeNotchHooks final : public NotchHooks {
public:
    void request(NotchTrigger) override {}
    void start() override {}
    bool appInUse() const override { return false; }
    void show(bool automatic, bool preview) override {
        up = true;
        autoShown_ = automatic;
        previews += preview ? 1 : 0;
    }
    bool autoShown() const override { return autoShown_; }
    std::optional<Detached> detach() override {
        if (!up)
            return std::nullopt;
        up = false;
        return Detached{};
    }
    void fold(Detached) override { ++folds; }
    void dropWindow() override {}

    bool up = false;
    bool autoShown_ = false;
    int previews = 0;
    int folds = 0;
};

struct Touring {
    StoreHarness h;
    std::shared_ptr<FakeNotchHooks> island = std::make_shared<FakeNotchHooks>();
    Store* store = nullptr;

    explicit Touring(bool updates) {
        h.notch = island;
        store = &h.build();
        auto row = makeShared<AppItem>(StoreHarness::app(u"Lumen"_s));
        row->setStatus(updates ? Status::update() : Status::upToDate());
        store->setItems({row});
    }
};

} // namespace

// Each move of the tour from step 3 under the "ignored" filter: where it lands, the filter it
// leaves, and what becomes of an island that is up (the scheduler's own, or one opened by hand).
TEST(Tour, GoMovesTheStepSwitchesTheFilterAndFoldsOnlyHandOpenedIslands) {
    enum class Up { none, byHand, byScheduler };
    struct Case {
        const char* name;
        int n;
        bool updates;
        Up island;
        std::optional<int> step;
        Filter filter;
        int previews, folds;
        bool toured;
    };
    const Case cases[] = {
        {"a negative step changes nothing", -1, true, Up::byHand, 3, Filter::ignored, 0, 0, false},
        {"the notch step drops a preview while updates exist", 2, true, Up::none, 2, Filter::ignored, 1, 0, false},
        {"the notch step without updates shows no island", 2, false, Up::none, 2, Filter::ignored, 0, 0, false},
        {"leaving a step folds a hand-opened island", 1, true, Up::byHand, 1, Filter::ignored, 0, 1, false},
        {"the scheduler's island is left alone", 1, true, Up::byScheduler, 1, Filter::ignored, 0, 0, false},
        {"the filter steps show all apps", 4, true, Up::none, 4, Filter::all, 0, 0, false},
        {"the first card's step shows all apps", 5, true, Up::none, 5, Filter::all, 0, 0, false},
        {"other steps keep the filter", 6, true, Up::none, 6, Filter::ignored, 0, 0, false},
        {"past the last step the tour ends", 8, true, Up::byHand, std::nullopt, Filter::ignored, 0, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Touring t(c.updates);
        t.store->setTourStep(3);
        t.store->setFilter(Filter::ignored);
        if (c.island != Up::none)
            t.island->show(c.island == Up::byScheduler, false);
        Tour::go(*t.store, *t.h.prefs, c.n);
        EXPECT_EQ(t.store->tourStep(), c.step);
        EXPECT_EQ(t.store->filter(), c.filter);
        EXPECT_EQ(t.island->previews, c.previews);
        EXPECT_EQ(t.island->folds, c.folds);
        EXPECT_EQ(t.h.prefs->toured(), c.toured);
    }
}

// Starting collapses the open card and shows all apps, even over a running tour; skipping folds
// the preview and records the tour as seen. Taken from the menu, the tour first brings up the
// main window it is drawn over.
TEST(Tour, StartResetsTheWindowAndEndRecordsTheTour) {
    Touring t(true);
    Tour::take(*t.store);
    EXPECT_EQ(t.h.shell.mainWindowOpened, 1);
    EXPECT_EQ(t.store->tourStep(), 0);
    t.store->setExpanded(u"/Applications/Lumen.app"_s);
    t.store->setFilter(Filter::ignored);
    t.store->setTourStep(5);
    Tour::start(*t.store);
    EXPECT_EQ(t.store->tourStep(), 0);
    EXPECT_EQ(t.store->expanded(), std::nullopt);
    EXPECT_EQ(t.store->filter(), Filter::all);
    EXPECT_FALSE(t.h.prefs->toured());

    Tour::go(*t.store, *t.h.prefs, 2);
    ASSERT_TRUE(t.island->up);
    Tour::end(*t.store, *t.h.prefs);
    EXPECT_EQ(t.store->tourStep(), std::nullopt);
    EXPECT_FALSE(t.island->up);
    EXPECT_EQ(t.island->folds, 1);
    EXPECT_TRUE(t.h.prefs->toured());
}

// Where the card goes, for a spotlight in each part of the window, in a window narrower than
// the card's room, and without a spotlight.
TEST(TourLayout, CardOffsetKeepsTheCardInsideAndBesideTheSpotlight) {
    struct Case {
        const char* name;
        QRectF rect;
        QSizeF size;
        bool top;
        QPointF offset;
    };
    const Case cases[] = {
        {"centred under it", {400, 100, 200, 40}, {1120, 780}, false, {330, 154}},
        {"near the left edge", {0, 100, 100, 40}, {1120, 780}, false, {16, 154}},
        {"near the right edge", {1000, 100, 100, 40}, {1120, 780}, false, {764, 154}},
        {"low down: above it", {400, 564, 200, 40}, {1120, 780}, false, {330, 360}},
        {"just high enough to stay below", {400, 523, 200, 40}, {1120, 780}, false, {330, 577}},
        {"above it but never above 12", {400, 100, 200, 600}, {1120, 780}, false, {330, 12}},
        {"narrower than the card: the right bound wins", {10, 100, 100, 40}, {300, 780}, false, {-56, 154}},
        {"no spotlight", {560, 390, 0, 0}, {1120, 780}, false, {350, 327.6}},
        {"no spotlight, the menu-bar step", {560, 390, 0, 0}, {1120, 780}, true, {350, 40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QPointF offset = TourLayout::cardOffset(c.rect, c.size, c.top);
        EXPECT_NEAR(offset.x(), c.offset.x(), 1e-9);
        EXPECT_NEAR(offset.y(), c.offset.y(), 1e-9);
    }
    // The spotlight is the element grown by 8, or the empty centre when it isn't shown.
    const QHash<QString, QRectF> anchors{{u"hero"_s, QRectF(10, 20, 100, 50)}};
    EXPECT_EQ(TourLayout::spotlight(anchors, u"hero"_s, {800, 600}), QRectF(2, 12, 116, 66));
    EXPECT_EQ(TourLayout::spotlight(anchors, u"notch"_s, {800, 600}), QRectF(400, 300, 0, 0));
}
