#include "DashboardRows.h"

#include "views/dashboard/HealthRingModel.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using HealthRingModel::Arc;
using HealthRingModel::Centre;

namespace {
QList<RowSpec> many(int count, Status status) {
    QList<RowSpec> rows;
    for (int i = 0; i < count; ++i)
        rows.append(
            {status.kind() == Status::Kind::upToDate ? u"U"_s + QString::number(i) : u"X"_s + QString::number(i),
             status});
    return rows;
}
} // namespace

TEST(HealthRingModel, SlicesArcsCentreAndLabelFollowTheVisibleRows) {
    const Status odd = Status::cantVerify(u"why"_s);
    struct Case {
        const char* what;
        QList<RowSpec> rows;
        QList<int> counts;
        QList<std::optional<Arc>> arcs;
        Centre centre;
        QString label;
    };
    const Centre seal{Centre::Kind::symbol, 0, u"checkmark.seal.fill"_s, Palette::Tint::green, 26};
    const QList<Case> cases{
        {"nothing", {}, {0, 0, 0, 0}, {{}, {}, {}, {}}, seal, u"0 updates, 0 up to date, 0 can't be verified"_s},
        {"all current",
         many(2, Status::upToDate()),
         {2, 0, 0, 0},
         {Arc{0, 0.994}, {}, {}, {}},
         seal,
         u"0 updates, 2 up to date, 0 can't be verified"_s},
        {"mixed, one checking",
         {{u"A"_s}, {u"B"_s, Status::update()}, {u"C"_s, odd}, {u"D"_s, Status::checking()}},
         {1, 1, 1, 0},
         {Arc{0, 0.244}, Arc{0.25, 0.494}, Arc{0.5, 0.744}, {}},
         {Centre::Kind::updates, 1, {}, Palette::Tint::accent, 26},
         u"1 updates, 1 up to date, 1 can't be verified"_s},
        {"unverified only",
         {{u"A"_s, odd}, {u"B"_s}},
         {1, 0, 1, 0},
         {Arc{0, 0.494}, {}, Arc{0.5, 0.994}, {}},
         {Centre::Kind::symbol, 0, u"checkmark"_s, Palette::Tint::orange, 26},
         u"0 updates, 1 up to date, 1 can't be verified"_s},
        {"ignored only",
         {{u"A"_s, Status::ignored(u"x"_s)}},
         {0, 0, 0, 1},
         {{}, {}, {}, Arc{0, 0.994}},
         seal,
         u"0 updates, 0 up to date, 0 can't be verified"_s},
        // One in 200 draws no arc; hidden App Store rows count nowhere.
        {"tiny share",
         many(199, Status::upToDate()) +
             QList<RowSpec>{{u"O"_s, odd}, {u"S"_s, Status::update(), InstallPhase::idle(), true}},
         {199, 0, 1, 0},
         {Arc{0, 0.989}, {}, {}, {}},
         {Centre::Kind::symbol, 0, u"checkmark"_s, Palette::Tint::orange, 26},
         u"0 updates, 199 up to date, 1 can't be verified"_s},
    };
    for (const auto& c : cases) {
        StoreHarness h;
        h.prefs->setHideAppStore(true);
        Store& s = h.build();
        s.setItems(makeRows(c.rows));
        const auto slices = HealthRingModel::slices(s);
        ASSERT_EQ(slices.size(), 4) << c.what;
        const QList<Palette::Tint> hues{Palette::Tint::green, Palette::Tint::accent, Palette::Tint::orange,
                                        Palette::Tint::gray};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(slices[i].count, c.counts[i]) << c.what << " " << i;
            EXPECT_EQ(slices[i].hue, hues[i]);
            const auto arc = HealthRingModel::arc(slices, i);
            ASSERT_EQ(arc.has_value(), c.arcs[i].has_value()) << c.what << " " << i;
            if (arc) {
                EXPECT_NEAR(arc->start, c.arcs[i]->start, 1e-9) << c.what << " " << i;
                EXPECT_NEAR(arc->end, c.arcs[i]->end, 1e-9) << c.what << " " << i;
            }
        }
        EXPECT_EQ(HealthRingModel::centre(s), c.centre) << c.what;
        EXPECT_EQ(HealthRingModel::accessibilityLabel(s), c.label) << c.what;
        EXPECT_FALSE(HealthRingModel::showsRefreshArc(s, false)) << c.what;
    }
}

TEST(HealthRingModel, ARefreshSpinsTheArcUnlessMotionIsReducedAndCountsChecksInTheCentre) {
    StoreHarness h;
    h.apps = {StoreHarness::app(u"A"_s), StoreHarness::app(u"B"_s)};
    h.offer(h.apps[0], StoreHarness::release(u"2.0"_s));
    h.checkDelay = 100ms;
    Store& s = h.build();
    auto done = h.start(s.refresh());
    EXPECT_TRUE(HealthRingModel::showsRefreshArc(s, false));
    EXPECT_FALSE(HealthRingModel::showsRefreshArc(s, true));
    EXPECT_EQ(HealthRingModel::centre(s), (Centre{Centre::Kind::progress, 0, {}, Palette::Tint::primary, 22}));
    ASSERT_TRUE(h.settle(done));
    EXPECT_FALSE(HealthRingModel::showsRefreshArc(s, false));
    EXPECT_EQ(HealthRingModel::centre(s).kind, Centre::Kind::updates);
}
