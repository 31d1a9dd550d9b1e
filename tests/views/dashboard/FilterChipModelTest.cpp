#include "DashboardRows.h"

#include "views/dashboard/FilterChipModel.h"
#include "views/cards/SearchModel.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

TEST(FilterChipModel, ChipsFollowTheFilterOrderWithLiveCountsAndLabels) {
    StoreHarness h;
    Store& s = h.build();
    s.setItems(makeRows({{u"A"_s, Status::update()}, {u"B"_s, Status::update()}, {u"C"_s}}));
    FilterChipModel::choose(s, Filter::updates);
    // Label, tint of the symbol when selected (unselected ones are always secondary), anchor.
    const QList<std::tuple<QString, Palette::Tint, QString>> cases{
        {u"All Apps, 3 apps"_s, Palette::Tint::secondary, {}},     {u"Updates, 2 apps"_s, Palette::Tint::accent, {}},
        {u"Can't Verify, 0 apps"_s, Palette::Tint::orange, {}},    {u"Ignored, 0 apps"_s, Palette::Tint::secondary, {}},
        {u"Library, 0 apps"_s, Palette::Tint::blue, u"library"_s},
    };
    const auto& chips = FilterChipModel::chips();
    ASSERT_EQ(chips.size(), cases.size());
    for (qsizetype i = 0; i < cases.size(); ++i) {
        const auto& [label, tint, anchor] = cases[i];
        const auto& chip = chips[i];
        const bool selected = FilterChipModel::selected(s, chip.filter);
        EXPECT_EQ(chip.filter, Filters::all()[i]);
        EXPECT_EQ(selected, chip.filter == Filter::updates);
        EXPECT_EQ(FilterChipModel::accessibilityLabel(s, chip.filter), label);
        EXPECT_EQ(FilterChipModel::symbolHue(chip, true), tint) << label.toStdString();
        EXPECT_EQ(FilterChipModel::symbolHue(chip, false), Palette::Tint::secondary);
        EXPECT_EQ(FilterChipModel::tourAnchor(chip.filter), anchor);
    }
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
