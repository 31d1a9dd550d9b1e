#include "library/AccountMenuModel.h"
#include "library/LibraryBadges.h"
#include "library/LibraryRowModel.h"
#include "library/LibraryScreenModel.h"
#include "runtime/MakeShared.h"
#include "store/LibraryItem.h"

#include "QtPrinters.h"
#include "SampleSession.h"
#include "StoreHarness.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
namespace M = LibraryScreenModel;
namespace R = LibraryRowModel;

namespace {

const QString here = u"dhere"_s;
const QDateTime now(QDate(2026, 3, 14), QTime(10, 0), Qt::UTC);

struct Entry {
    QString name;
    std::optional<bool> here;  // this Mac's entry: none, not installed, installed
    std::optional<bool> other; // the other Mac's ("m2") entry
    std::optional<Route::Kind> route;
    InstallPhase phase = InstallPhase::idle();
};

std::shared_ptr<LibraryItem> make(const Entry& entry) {
    LibraryApp app;
    app.id = u"com.example."_s + entry.name.toLower();
    app.name = entry.name;
    if (entry.here)
        app.devices.insert(here, {u"1"_s, *entry.here, now});
    if (entry.other)
        app.devices.insert(u"m2"_s, {u"1"_s, *entry.other, now});
    auto item = makeShared<LibraryItem>(app);
    if (entry.route == Route::Kind::install)
        item->setRoute(Route::install({}));
    else if (entry.route == Route::Kind::store)
        item->setRoute(Route::store(QUrl(u"https://apps.apple.com/app/id1"_s)));
    else if (entry.route == Route::Kind::manual)
        item->setRoute(Route::manual(QUrl(u"https://example.com/get"_s), u"No verified download."_s));
    item->setPhase(entry.phase);
    return item;
}

QList<Device> macs() {
    return {{here, u"Studio"_s, u"Mac14,13"_s, now, {}},
            {u"m2"_s, u"Ada's MacBook"_s, u"Mac15,3"_s, now.addDays(-1), {}},
            {u"m3"_s, u"ada's  macbook"_s, u"Mac14,2"_s, now.addDays(-9), {}}};
}

QStringList names(const Store::LibraryRows& rows) {
    QStringList out;
    for (const auto& r : rows)
        out.append(r->app().name);
    return out;
}

struct Library {
    StoreHarness h;
    Store& s;
    Library() : s(h.build()) {
        h.deviceID = here;
        s.setDevices(macs());
    }
    void set(const QList<Entry>& entries) {
        Store::LibraryRows rows;
        for (const auto& entry : entries)
            rows.append(make(entry));
        s.setLibrary(rows);
    }
    std::shared_ptr<LibraryItem> item(const QString& name) const {
        for (const auto& i : s.library())
            if (i->app().name == name)
                return i;
        return {};
    }
};

// One entry of each kind the tab rules tell apart.
const QList<Entry> kinds{
    {u"Here"_s, true, true, {}},                              // installed here and on m2
    {u"Other"_s, std::nullopt, true, {}},                     // only on m2, no route yet
    {u"OtherGone"_s, false, false, Route::Kind::install},     // removed everywhere, m2 had it
    {u"NoEntries"_s, std::nullopt, std::nullopt, {}},         // removed everywhere, never on m2
    {u"Store"_s, std::nullopt, true, Route::Kind::store},     // needs you
    {u"StoreHere"_s, true, std::nullopt, Route::Kind::store}, // on this Mac: nothing to do
    {u"Manual"_s, false, std::nullopt, Route::Kind::manual},  // needs you, removed everywhere
    {u"Failed"_s, std::nullopt, false, Route::Kind::install, InstallPhase::failed(u"No."_s)},
    {u"Done"_s, std::nullopt, true, Route::Kind::install, InstallPhase::done()}, // before the next sync
};

} // namespace

// The tabs' rules with and without a chosen Mac, the search, and badges that ignore both.
TEST(LibraryScreenModel, TabsKeepTheirRowsAndBadgesCountTheWholeLibrary) {
    Library lib;
    lib.set(kinds);
    struct Case {
        LibraryTab tab;
        std::optional<QString> device;
        QStringList rows;
    };
    const QList<Case> cases{
        {LibraryTab::missing, {}, {u"Other"_s, u"OtherGone"_s, u"NoEntries"_s, u"Done"_s}},
        {LibraryTab::missing, u"m2"_s, {u"Other"_s, u"Done"_s}},
        {LibraryTab::all,
         {},
         {u"Here"_s, u"Other"_s, u"OtherGone"_s, u"NoEntries"_s, u"Store"_s, u"StoreHere"_s, u"Manual"_s, u"Failed"_s,
          u"Done"_s}},
        {LibraryTab::all, u"m2"_s, {u"Here"_s, u"Other"_s, u"Store"_s, u"Done"_s}},
        {LibraryTab::removed, {}, {u"OtherGone"_s, u"NoEntries"_s, u"Manual"_s, u"Failed"_s}},
        {LibraryTab::removed, u"m2"_s, {u"OtherGone"_s, u"Failed"_s}},
        {LibraryTab::yours, {}, {u"Store"_s, u"Manual"_s, u"Failed"_s}},
        {LibraryTab::yours, u"m2"_s, {u"Store"_s, u"Manual"_s, u"Failed"_s}},
        // A Mac that left the account reads "Any Mac", so it filters nothing either.
        {LibraryTab::all,
         u"gone"_s,
         {u"Here"_s, u"Other"_s, u"OtherGone"_s, u"NoEntries"_s, u"Store"_s, u"StoreHere"_s, u"Manual"_s, u"Failed"_s,
          u"Done"_s}},
        {LibraryTab::removed, u"gone"_s, {u"OtherGone"_s, u"NoEntries"_s, u"Manual"_s, u"Failed"_s}},
    };
    for (const auto& c : cases) {
        lib.s.setLibraryTab(c.tab);
        EXPECT_EQ(names(M::rows(lib.s, c.device)), c.rows)
            << LibraryTabs::rawValue(c.tab).toStdString() << " on " << c.device.value_or(u"any"_s).toStdString();
    }
    EXPECT_EQ(M::pickerTitle(lib.s.devices(), u"gone"_s, now), u"Any Mac"_s);

    // The search narrows the rows (name, id or source; blanks match all); the badges stay.
    lib.s.setLibraryTab(LibraryTab::all);
    lib.s.setQuery(u"  oTHer "_s);
    EXPECT_EQ(names(M::rows(lib.s, std::nullopt)), (QStringList{u"Other"_s, u"OtherGone"_s}));
    lib.s.setQuery(u" \t"_s);
    EXPECT_EQ(M::rows(lib.s, std::nullopt).size(), kinds.size());
    lib.s.setQuery(u"nothing like it"_s);
    EXPECT_TRUE(M::rows(lib.s, u"m2"_s).isEmpty());
    // A renamed entry is searched under its new name at once.
    LibraryApp renamed = lib.item(u"Failed"_s)->app();
    renamed.name = u"Nothing Like It"_s;
    lib.item(u"Failed"_s)->setApp(renamed);
    EXPECT_EQ(M::rows(lib.s, std::nullopt).size(), 1);
    renamed.name = u"Failed"_s;
    lib.item(u"Nothing Like It"_s)->setApp(renamed);
    EXPECT_TRUE(M::rows(lib.s, std::nullopt).isEmpty());
    const LibraryBadges& badges = LibraryBadges::of(lib.s);
    EXPECT_EQ(badges[LibraryTab::missing], 4);
    EXPECT_EQ(badges[LibraryTab::all], 9);
    EXPECT_EQ(badges[LibraryTab::removed], 4);
    EXPECT_EQ(badges[LibraryTab::yours], 3);
    EXPECT_EQ(M::tabTitle(LibraryTab::missing, 4), u"Not on This Mac  4"_s);
}

// Badges are counted once per change of the library and never for a search or a tab.
TEST(LibraryScreenModel, BadgesAreCountedOncePerChange) {
    Library lib;
    lib.set(kinds);
    (void)LibraryBadges::of(lib.s);
    const quint64 before = LibraryBadges::passes();
    lib.s.setQuery(u"x"_s);
    lib.s.setLibraryTab(LibraryTab::removed);
    for (int i = 0; i < 4; ++i)
        (void)LibraryBadges::of(lib.s)[LibraryTabs::all()[i]];
    EXPECT_EQ(LibraryBadges::passes(), before);
    lib.item(u"Other"_s)->setPhase(InstallPhase::failed(u"No."_s));
    EXPECT_EQ(LibraryBadges::of(lib.s).yours, 4);
    EXPECT_EQ(LibraryBadges::of(lib.s).missing, 3);
    EXPECT_EQ(LibraryBadges::passes(), before + 1);
}

TEST(LibraryScreenModel, EmptyViewsFollowTheTabTheSearchTheSyncAndWhatTheListsHold) {
    Library lib;
    EXPECT_EQ(M::empty(lib.s, std::nullopt).title, u"Loading your library…"_s); // nothing listed yet
    struct Case {
        LibraryTab tab;
        QString query;
        bool syncing;
        QList<Entry> entries;
        std::optional<QString> device;
        QString symbol, title, description = {};
    };
    const QList<Entry> gotByHand{{u"S"_s, false, true, Route::Kind::store},
                                 {u"F"_s, std::nullopt, true, {}, InstallPhase::failed(u"No."_s)}};
    const QList<Case> cases{
        {LibraryTab::missing,
         {},
         false,
         {{u"H"_s, true, {}, {}}},
         {},
         u"checkmark.icloud"_s,
         u"Nothing missing"_s,
         u"Every app in your library is on this Mac."_s},
        {LibraryTab::missing,
         {},
         false,
         gotByHand,
         {},
         u"arrow.down.app"_s,
         u"Nothing to install here"_s,
         u"2 apps this Mac lacks are waiting for you under Get It Yourself."_s},
        {LibraryTab::missing,
         {},
         false,
         {{u"A"_s, std::nullopt, false, {}}},
         u"m2"_s,
         u"checkmark.icloud"_s,
         u"Nothing missing"_s,
         u"Every app on the chosen Mac is on this Mac too."_s},
        {LibraryTab::all, {}, true, {}, {}, u"icloud"_s, u"Loading your library…"_s},
        {LibraryTab::all, {}, false, {}, {}, u"icloud"_s, u"Your library is empty"_s},
        {LibraryTab::removed, {}, false, {}, {}, u"tray"_s, u"Nothing removed"_s},
        {LibraryTab::yours, {}, false, {}, {}, u"hand.thumbsup"_s, u"Nothing to do by hand"_s},
        {LibraryTab::all, u" "_s, false, {}, {}, {}, {}}, // blanks count as a search here
    };
    for (const auto& c : cases) {
        lib.set(c.entries);
        lib.s.setLibraryTab(c.tab);
        lib.s.setQuery(c.query);
        lib.s.setSyncing(c.syncing);
        const M::Empty empty = M::empty(lib.s, c.device);
        EXPECT_EQ(empty.noMatches, !c.query.isEmpty());
        EXPECT_EQ(empty.symbol, c.symbol);
        EXPECT_EQ(empty.title, c.title);
        if (!c.description.isEmpty()) {
            EXPECT_EQ(empty.description, c.description);
        }
    }
}

// The action bar over the visible rows: what it selects, says and installs.
TEST(LibraryScreenModel, TheActionBarCountsOnlyVisibleRows) {
    Library lib;
    lib.set({{u"A"_s, std::nullopt, true, {}},
             {u"B"_s, false, true, Route::Kind::install},
             {u"S"_s, std::nullopt, true, Route::Kind::store},
             {u"D"_s, std::nullopt, true, {}, InstallPhase::done()},
             {u"Q"_s, std::nullopt, true, {}, InstallPhase::queued()},
             {u"F"_s, std::nullopt, true, {}, InstallPhase::failed(u"No."_s)},
             {u"H"_s, true, true, {}}});
    lib.s.setLibraryTab(LibraryTab::all);
    auto bar = [&] { return M::actionBar(lib.s, M::rows(lib.s, std::nullopt)); };

    M::ActionBar b = bar();
    EXPECT_EQ(names(b.open), (QStringList{u"A"_s, u"B"_s, u"S"_s, u"F"_s}));
    EXPECT_EQ(names(b.installable), (QStringList{u"A"_s, u"B"_s, u"F"_s}));
    EXPECT_EQ(b.selectTitle, u"Select All"_s);
    EXPECT_EQ(b.status, u"3 apps to put back on this Mac"_s);
    EXPECT_EQ(b.installTitle, u"Install All"_s);
    EXPECT_TRUE(b.installEnabled);
    EXPECT_FALSE(b.removeShown);
    EXPECT_EQ(names(b.toInstall()), (QStringList{u"A"_s, u"B"_s, u"F"_s}));

    M::select(b); // ticks every open row, App Store ones too
    b = bar();
    EXPECT_EQ(names(b.selected), (QStringList{u"A"_s, u"B"_s, u"S"_s, u"F"_s}));
    EXPECT_EQ(b.selectTitle, u"Select None"_s);
    EXPECT_EQ(b.status, u"4 selected"_s);
    EXPECT_EQ(b.installTitle, u"Install 4"_s);
    EXPECT_TRUE(b.removeShown);
    EXPECT_EQ(names(b.toInstall()), names(b.selected));

    // Hidden by the tab, ticked rows are neither counted nor acted on, and keep their ticks.
    lib.s.setLibraryTab(LibraryTab::missing);
    lib.item(u"A"_s)->setSelected(false);
    b = bar();
    EXPECT_EQ(names(b.selected), (QStringList{u"B"_s}));
    EXPECT_EQ(b.selectTitle, u"Select All"_s);
    EXPECT_TRUE(lib.item(u"S"_s)->selected());

    lib.s.setRestoring(true);
    b = bar();
    EXPECT_EQ(b.status, u"Installing one app at a time…"_s);
    EXPECT_FALSE(b.installEnabled);
    EXPECT_FALSE(b.removeEnabled);
    EXPECT_TRUE(b.selectEnabled);
    lib.s.setRestoring(false);

    M::select(bar()); // "Select All" ticks the rest
    EXPECT_EQ(bar().selectTitle, u"Select None"_s);
    M::select(bar());
    b = bar();
    EXPECT_TRUE(b.selected.isEmpty());
    EXPECT_EQ(b.status, u"2 apps to put back on this Mac"_s);
    // An entry that starts leaves the bar, and comes back at once when it goes idle again.
    lib.item(u"B"_s)->setPhase(InstallPhase::queued());
    EXPECT_EQ(bar().status, u"1 app to put back on this Mac"_s);
    lib.item(u"B"_s)->setPhase(InstallPhase::idle());
    EXPECT_EQ(names(bar().installable), (QStringList{u"A"_s, u"B"_s}));

    lib.set({{u"H"_s, true, true, {}},
             {u"Q"_s, std::nullopt, true, {}, InstallPhase::queued()},
             {u"One"_s, std::nullopt, true, {}}});
    EXPECT_EQ(bar().status, u"1 app to put back on this Mac"_s);
    lib.set({{u"H"_s, true, true, {}}, {u"Q"_s, std::nullopt, true, {}, InstallPhase::queued()}});
    b = bar();
    EXPECT_FALSE(b.selectEnabled);
    EXPECT_EQ(b.selectTitle, u"Select All"_s);
    EXPECT_EQ(b.status, u"Nothing here to install"_s);
    EXPECT_FALSE(b.installEnabled);
}

TEST(LibraryScreenModel, ThePickerTellsMacsOfOneNameApart) {
    const QList<Device> devices = macs();
    const auto choices = M::pickerChoices(devices, u"m3"_s, now);
    ASSERT_EQ(choices.size(), 3);
    EXPECT_EQ(choices[0].title, u"Studio"_s);
    EXPECT_EQ(choices[1].title, u"Ada's MacBook · Mac15,3"_s);
    EXPECT_EQ(choices[2].title, u"ada's  macbook · Mac14,2 (this Mac)"_s);
    EXPECT_EQ(choices[2].id, u"m3"_s);
    EXPECT_EQ(M::pickerTitle(devices, u"m2"_s, now), u"Ada's MacBook · Mac15,3"_s);
    EXPECT_EQ(M::pickerTitle(devices, std::nullopt, now), u"Any Mac"_s);
}

// A row's status, note, Macs line and actions, one case per rule.
TEST(LibraryRowModel, StatusFollowsThePhaseAndWhenIdleTheRoute) {
    using K = R::Status::Kind;
    struct Case {
        Entry entry;
        K kind;
        QString title;
        QString url;
    };
    const QList<Case> cases{
        {{u"a"_s, {}, {}, {}, InstallPhase::downloading(0.125)}, K::progress, u"13%"_s, {}},
        {{u"a"_s, {}, {}, {}, InstallPhase::downloading(1.0)}, K::progress, u"100%"_s, {}},
        {{u"a"_s, {}, {}, {}, InstallPhase::queued()}, K::tag, u"Queued"_s, {}},
        {{u"a"_s, {}, {}, {}, InstallPhase::verifying()}, K::progress, u"Verifying"_s, {}},
        {{u"a"_s, {}, {}, {}, InstallPhase::installing()}, K::progress, u"Installing"_s, {}},
        {{u"a"_s, {}, {}, {}, InstallPhase::done()}, K::done, u"Installed"_s, {}},
        {{u"a"_s, {}, {}, {}, InstallPhase::blocked()},
         K::button,
         u"Allow…"_s,
         u"x-apple.systempreferences:com.apple.preference.security?Privacy_AppBundles"_s},
        {{u"a"_s, {}, {}, Route::Kind::manual, InstallPhase::failed(u"No."_s)},
         K::button,
         u"Get It Yourself"_s,
         u"https://example.com/get"_s},
        {{u"a"_s, true, {}, Route::Kind::manual}, K::tag, u"On this Mac"_s, {}},
        {{u"a"_s, false, {}, Route::Kind::store},
         K::button,
         u"Open in App Store"_s,
         u"https://apps.apple.com/app/id1"_s},
        {{u"a"_s, {}, {}, Route::Kind::manual}, K::button, u"Website"_s, u"https://example.com/get"_s},
        {{u"a"_s, {}, {}, Route::Kind::install}, K::tag, u"Not installed"_s, {}},
        {{u"a"_s, {}, {}, {}}, K::tag, u"Not installed"_s, {}},
    };
    for (const auto& c : cases) {
        const auto item = make(c.entry);
        const R::Status s = R::status(*item, here);
        EXPECT_EQ(s.kind, c.kind) << c.title.toStdString();
        EXPECT_EQ(s.title, c.title);
        EXPECT_EQ(s.url.toString(), c.url) << c.title.toStdString();
    }
    EXPECT_EQ(R::status(*make({u"a"_s, {}, {}, {}, InstallPhase::downloading(0.5)}), here).value, 0.5);
}

TEST(LibraryRowModel, NoteMacsAndActions) {
    // Note: a failure's note in red; a manual reason only while this Mac lacks the app; the team
    // of a done row, with its note.
    auto failed = make({u"a"_s, {}, {}, Route::Kind::install, InstallPhase::failed(u"No."_s)});
    EXPECT_TRUE(R::note(*failed, here).isEmpty()) << "a failure without a note has no note line";
    failed->setNote(u"Sparkle: bad"_s);
    ASSERT_EQ(R::note(*failed, here).size(), 1);
    EXPECT_TRUE(R::note(*failed, here)[0].alert);
    EXPECT_EQ(R::note(*make({u"a"_s, false, {}, Route::Kind::manual}), here)[0].text, u"No verified download."_s);
    EXPECT_TRUE(R::note(*make({u"a"_s, true, {}, Route::Kind::manual}), here).isEmpty());
    auto done = make({u"a"_s, {}, {}, {}, InstallPhase::done()});
    EXPECT_TRUE(R::note(*done, here).isEmpty());
    done->setTeam(u"TEAM1"_s);
    done->setNote(u"Moved."_s);
    const auto lines = R::note(*done, here);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].text.startsWith(u"Signed by developer team "_s));
    EXPECT_TRUE(lines[0].text.contains(u"TEAM1"_s));
    EXPECT_EQ(lines[1].text, u"Moved."_s);

    // Macs: chips by label, else where it was last seen; the source either way.
    const auto spread = make({u"a"_s, true, true, {}});
    R::Macs m = R::macs(*spread, macs());
    EXPECT_EQ(m.chips, (QStringList{u"Ada's MacBook · Mac15,3"_s, u"Studio"_s}));
    EXPECT_FALSE(m.absent);
    EXPECT_FALSE(m.source);
    LibraryApp app = spread->app();
    app.source = u"Sparkle"_s;
    app.devices = {};
    spread->setApp(app);
    m = R::macs(*spread, macs());
    EXPECT_EQ(m.absent, u"Not on any Mac"_s);
    EXPECT_EQ(m.source, u"· Sparkle"_s);
    m = R::macs(*make({u"a"_s, false, {}, {}}), macs());
    EXPECT_TRUE(m.absent->startsWith(u"Not on any Mac · Last on Studio · "_s)) << m.absent->toStdString();

    // Actions: the App Store page or the website; no removal while busy; taps only when allowed.
    EXPECT_EQ(R::actions(*make({u"a"_s, {}, {}, Route::Kind::store})).openTitle, u"Open in App Store"_s);
    EXPECT_EQ(R::actions(*make({u"a"_s, {}, {}, Route::Kind::manual})).openTitle, u"Open Website"_s);
    auto busy = make({u"a"_s, {}, {}, {}, InstallPhase::installing()});
    EXPECT_FALSE(R::actions(*busy).removeEnabled);
    EXPECT_FALSE(R::checkboxEnabled(*busy));
    EXPECT_FALSE(R::tap(*busy, true));
    EXPECT_TRUE(R::actions(*done).removeEnabled);
    EXPECT_FALSE(R::checkboxEnabled(*done));
    EXPECT_TRUE(R::tap(*done, true)) << "a click flips a done row although its box is disabled";
    EXPECT_TRUE(done->selected());
    EXPECT_FALSE(R::tap(*done, false));
    EXPECT_TRUE(done->selected());
    EXPECT_EQ(R::initial(QString()), QString());
    EXPECT_EQ(R::initial(u"éclair"_s), u"é"_s);
}

TEST(AccountMenuModel, LabelAndEntries) {
    using K = AccountMenuModel::Entry::Kind;
    auto titles = [](const QList<AccountMenuModel::Entry>& entries) {
        QStringList out;
        for (const auto& e : entries)
            out.append(e.kind == K::divider ? u"—"_s : e.title);
        return out;
    };
    Session named = sampleSession();
    named.name = u"Ada"_s;
    EXPECT_EQ(AccountMenuModel::label(named), u"Ada"_s);
    EXPECT_EQ(AccountMenuModel::label(sampleSession()), u"ada@example.com"_s);
    EXPECT_EQ(AccountMenuModel::label(std::nullopt), u"Account"_s);

    const auto withName = titles(AccountMenuModel::entries(named, macs(), u"m3"_s, u"Fallback"_s, now));
    ASSERT_EQ(withName.size(), 6);
    EXPECT_EQ(withName[0], u"Ada"_s);
    EXPECT_EQ(withName[1], u"ada@example.com"_s);
    EXPECT_TRUE(withName[2].startsWith(u"This Mac: "_s));
    EXPECT_TRUE(withName[2].contains(u"ada's  macbook · Mac14,2"_s)) << "told apart from its namesake";
    EXPECT_EQ(withName.mid(3), (QStringList{u"—"_s, u"Sync Now"_s, u"Sign Out"_s}));

    const auto none = titles(AccountMenuModel::entries(std::nullopt, {}, u"m3"_s, u"Fallback"_s, now));
    ASSERT_EQ(none.size(), 5);
    EXPECT_EQ(none[0], QString());
    EXPECT_TRUE(none[1].contains(u"Fallback"_s)) << "before this Mac's first upload";
}
