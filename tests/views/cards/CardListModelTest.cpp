#include "DashboardRows.h"

#include "views/cards/CardListModel.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {
const Status odd = Status::cantVerify(u"why"_s);
const Status skipped = Status::ignored(u"you"_s);

QStringList layout(const QList<CardListModel::Section>& sections) {
    QStringList out;
    for (const auto& section : sections)
        out.append(section.title + u": "_s + names(section.rows).join(u","_s));
    return out;
}

QString id(Store& s, const QString& name) {
    for (const auto& row : s.items())
        if (row->app().name == name)
            return row->id();
    return {};
}
} // namespace

TEST(CardListModel, SectionsGroupAllAppsOnceNothingChecksAndEmptyStatesFollowTheFilter) {
    struct Case {
        QList<RowSpec> rows;
        Filter filter;
        QString query;
        QStringList sections;
        std::optional<QString> emptyTitle; // "?" for the no-matches view
    };
    const QList<RowSpec> mixed{
        {u"Cur"_s}, {u"Upd"_s, Status::update()}, {u"Skip"_s, skipped}, {u"Odd"_s, odd}, {u"Upd2"_s, Status::update()}};
    const QList<Case> cases{
        {mixed,
         Filter::all,
         {},
         {u"Updates Available: Upd,Upd2"_s, u"Can't Verify: Odd"_s, u"Up to Date: Cur"_s, u"Ignored: Skip"_s},
         {}},
        {{{u"Cur"_s}, {u"Chk"_s, Status::checking()}, {u"Upd"_s, Status::update()}},
         Filter::all,
         {},
         {u": Cur,Chk,Upd"_s},
         {}},
        {{{u"Cur"_s}, {u"Upd"_s, Status::update()}}, Filter::updates, {}, {u": Upd"_s}, {}},
        {mixed, Filter::all, u"upd2"_s, {u"Updates Available: Upd2"_s}, {}},
        {{}, Filter::all, {}, {}, u"No apps found"_s},
        {{{u"Cur"_s}}, Filter::updates, {}, {}, u"Nothing to update"_s},
        {{}, Filter::cantVerify, {}, {}, u"Nothing unverified"_s},
        {{}, Filter::ignored, {}, {}, u"No ignored apps"_s},
        {{}, Filter::library, {}, {}, std::nullopt},
        {{{u"Cur"_s}}, Filter::ignored, u"zzz"_s, {}, u"?"_s},
        {{}, Filter::library, u" "_s, {}, u"?"_s},
    };
    for (const auto& c : cases) {
        StoreHarness h;
        Store& s = h.build();
        s.setItems(makeRows(c.rows));
        s.setFilter(c.filter);
        s.setQuery(c.query);
        const auto sections = CardListModel::sections(s);
        const std::string what =
            c.sections.join(u" | "_s).toStdString() + " " + Filters::rawValue(c.filter).toStdString();
        EXPECT_EQ(layout(sections), c.sections) << what;
        const auto empty = CardListModel::emptyState(s, sections);
        ASSERT_EQ(empty.has_value(), c.emptyTitle.has_value()) << what;
        if (empty) {
            EXPECT_EQ(empty->noMatches ? u"?"_s : empty->title, *c.emptyTitle) << what;
        }
    }
}

TEST(CardListModel, EmptyAllAppsNamesTheFoldersAndNothingShowsWhileScanning) {
    StoreHarness h;
    Store& s = h.build();
    const auto empty = CardListModel::emptyState(s, {});
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->description, s.folders().join(u", "_s));
    EXPECT_EQ(empty->symbol, u"square.grid.2x2"_s);
    h.apps = {StoreHarness::app(u"A"_s)};
    h.checkDelay = std::chrono::milliseconds(100);
    auto done = h.start(s.refresh());
    EXPECT_FALSE(CardListModel::emptyState(s, {}));
    ASSERT_TRUE(h.settle(done));
}

TEST(CardListModel, ArrowsMoveTheSelectionClampedOverTheListedRows) {
    StoreHarness h;
    Store& s = h.build();
    s.setItems(makeRows({{u"A"_s, Status::update()}, {u"B"_s}, {u"C"_s, skipped}, {u"O"_s, odd}}));
    struct Case {
        std::optional<QString> from; // a name
        int step;
        std::optional<QString> to;
    };
    const QList<Case> cases{
        {std::nullopt, +1, u"A"_s}, {std::nullopt, -1, u"C"_s}, {u"A"_s, +1, u"O"_s},
        {u"O"_s, +1, u"B"_s},       {u"C"_s, +1, u"C"_s},       {u"A"_s, -1, u"A"_s},
    };
    // Listed order: Updates Available (A), Can't Verify (O), Up to Date (B), Ignored (C).
    for (const auto& c : cases) {
        s.setSelection(c.from ? std::optional(id(s, *c.from)) : std::nullopt);
        const auto target = CardListModel::move(s, CardListModel::sections(s), c.step);
        EXPECT_EQ(target, id(s, *c.to)) << c.from.value_or(u"-"_s).toStdString() << c.step;
        EXPECT_EQ(s.selection(), id(s, *c.to));
    }
    // A selection the filter hides counts as none.
    s.setFilter(Filter::updates);
    s.setSelection(id(s, u"B"_s));
    EXPECT_EQ(CardListModel::move(s, CardListModel::sections(s), -1), id(s, u"A"_s));
    // An empty list changes nothing.
    s.setFilter(Filter::ignored);
    s.setQuery(u"nothing"_s);
    s.setSelection(id(s, u"B"_s));
    EXPECT_FALSE(CardListModel::move(s, CardListModel::sections(s), 1));
    EXPECT_EQ(s.selection(), id(s, u"B"_s));
}

TEST(CardListModel, TogglesOpenAndCloseAndUninstallSkipsProtectedApps) {
    StoreHarness h;
    Store& s = h.build();
    s.setItems(makeRows({{u"A"_s},
                         {u"Finder"_s, Status::upToDate(), InstallPhase::idle(), false, u"com.apple.finder"_s},
                         {u"Quenlark"_s, Status::upToDate(), InstallPhase::idle(), false, u"com.quenlark.Quenlark"_s},
                         {u"Busy"_s, Status::update(), InstallPhase::downloading(0.5)}}));
    CardListModel::toggleSelected(s);
    EXPECT_FALSE(s.expanded());
    CardListModel::toggle(s, id(s, u"A"_s));
    EXPECT_EQ(s.selection(), id(s, u"A"_s));
    EXPECT_EQ(s.expanded(), id(s, u"A"_s));
    CardListModel::toggleSelected(s);
    EXPECT_FALSE(s.expanded());
    // A selected row the filter hides still opens.
    s.setFilter(Filter::updates);
    CardListModel::toggleSelected(s);
    EXPECT_EQ(s.expanded(), id(s, u"A"_s));

    struct Case {
        std::optional<QString> selected;
        bool command;
        bool handled;
    };
    const QList<Case> cases{
        {u"A"_s, false, false},   {std::nullopt, true, false}, {u"Finder"_s, true, false}, {u"Quenlark"_s, true, false},
        {u"Busy"_s, true, false}, {u"A"_s, true, true}, // hidden by the filter, still removable
    };
    for (const auto& c : cases) {
        s.setRemoving(nullptr);
        s.setSelection(c.selected ? std::optional(id(s, *c.selected)) : std::nullopt);
        EXPECT_EQ(CardListModel::requestUninstall(s, c.command), c.handled)
            << c.selected.value_or(u"-"_s).toStdString();
        EXPECT_EQ(s.removing() != nullptr, c.handled);
    }
    EXPECT_EQ(s.removing()->app().name, u"A"_s);
}
