#include "DashboardRows.h"

#include "views/FilterChipModel.h"
#include "views/SearchModel.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

TEST(FilterChipModel, ChipsFollowTheFilterOrderWithLiveCountsAndLabels) {
    StoreHarness h;
    Store& s = h.build();
    s.setItems(makeRows({{u"A"_s, Status::update()}, {u"B"_s, Status::update()}, {u"C"_s}}));
    struct Case {
        QString title, symbol;
        Palette::Tint selectedHue;
        QString count, label, anchor;
    };
    const QList<Case> cases{
        {u"All Apps"_s, u"square.grid.2x2"_s, Palette::Tint::secondary, u"3"_s, u"All Apps, 3 apps"_s, {}},
        {u"Updates"_s, u"arrow.down.circle"_s, Palette::Tint::accent, u"2"_s, u"Updates, 2 apps"_s, {}},
        {u"Can't Verify"_s, u"exclamationmark.triangle"_s, Palette::Tint::orange, u"0"_s, u"Can't Verify, 0 apps"_s, {}},
        {u"Ignored"_s, u"eye.slash"_s, Palette::Tint::secondary, u"0"_s, u"Ignored, 0 apps"_s, {}},
        {u"Library"_s, u"icloud"_s, Palette::Tint::blue, u"0"_s, u"Library, 0 apps"_s, u"library"_s},
    };
    const auto& chips = FilterChipModel::chips();
    ASSERT_EQ(chips.size(), cases.size());
    for (qsizetype i = 0; i < cases.size(); ++i) {
        const auto& chip = chips[i];
        const auto& c = cases[i];
        EXPECT_EQ(chip.filter, Filters::all()[i]);
        EXPECT_EQ(chip.title, c.title);
        EXPECT_EQ(chip.symbol, c.symbol);
        EXPECT_EQ(FilterChipModel::symbolHue(chip, true), c.selectedHue) << c.title.toStdString();
        EXPECT_EQ(FilterChipModel::symbolHue(chip, false), Palette::Tint::secondary);
        EXPECT_EQ(FilterChipModel::countText(s, chip.filter), c.count) << c.title.toStdString();
        EXPECT_EQ(FilterChipModel::accessibilityLabel(s, chip.filter), c.label);
        EXPECT_EQ(FilterChipModel::tourAnchor(chip.filter), c.anchor);
    }
    FilterChipModel::choose(s, Filter::updates);
    EXPECT_TRUE(FilterChipModel::selected(s, Filter::updates));
    EXPECT_FALSE(FilterChipModel::selected(s, Filter::all));
    EXPECT_EQ(FilterChipModel::selectionAnimation(true).kind, Motion::Animation::Kind::easeInOut);
    EXPECT_EQ(FilterChipModel::selectionAnimation(false),
              (Motion::Animation{Motion::Animation::Kind::spring, 0, 0.35, 0.8, 0}));
}

TEST(SearchModel, NoMatchesTitleTrimsSpacesAndTabsOnlyAndTheClearButtonShowsForAnyText) {
    const QList<std::tuple<QString, QString, bool>> cases{
        {u""_s, u"No apps match “”"_s, false},
        {u"   "_s, u"No apps match “”"_s, true},
        {u" \tfire fox  "_s, u"No apps match “fire fox”"_s, true},
        {u"fire\n"_s, u"No apps match “fire\n”"_s, true},
        {u"100%1"_s, u"No apps match “100%1”"_s, true},
    };
    for (const auto& [query, title, clear] : cases) {
        EXPECT_EQ(SearchModel::noMatchesTitle(query), title);
        EXPECT_EQ(SearchModel::showsClear(query), clear) << query.toStdString();
    }
}
