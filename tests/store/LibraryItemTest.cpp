#include "store/LibraryItem.h"

#include "library/Cloud.h"

#include "FakeClock.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

LibraryApp record(QMap<QString, LibraryApp::OnDevice> devices) {
    LibraryApp app;
    app.id = u"com.example.app"_s;
    app.name = u"App"_s;
    app.devices = std::move(devices);
    return app;
}

} // namespace

TEST(LibraryItem, WhereAnAppIsAndWasLastSeen) {
    FakeClock clock(QDateTime(QDate(2026, 1, 10), QTime(12, 0), Qt::UTC));
    const QDateTime jan5(QDate(2026, 1, 5), QTime(9, 0), Qt::UTC), jan8(QDate(2026, 1, 8), QTime(9, 0), Qt::UTC);
    const QList<Device> macs{
        {u"m1"_s, u"studio"_s, u"A"_s, jan8, {}},
        {u"m2"_s, u"Mac"_s, u"A"_s, jan5, {}},
        {u"m3"_s, u"Mac"_s, u"B"_s, jan8, {}},
    };

    EXPECT_TRUE(LibraryItem(record({})).removedEverywhere());
    EXPECT_EQ(LibraryItem(record({})).lastSeen(macs), std::nullopt);
    EXPECT_TRUE(LibraryItem(record({{u"m1"_s, {u"1"_s, false, jan5}}})).removedEverywhere());

    // Installed on a Mac that left the account, on two Macs of one name, and on a lower-case name.
    const LibraryItem spread(record({
        {u"gone"_s, {u"1"_s, true, jan8.addDays(1)}},
        {u"m1"_s, {u"1"_s, true, jan5}},
        {u"m2"_s, {u"1"_s, true, jan5}},
        {u"m3"_s, {u"1"_s, true, jan8}},
    }));
    EXPECT_FALSE(spread.removedEverywhere());
    EXPECT_EQ(spread.onDevices(macs), (QStringList{u"Mac · A"_s, u"Mac · B"_s, u"studio"_s}));
    EXPECT_EQ(spread.lastSeen(macs), u"Last on a Mac you no longer use · Jan 9, 2026"_s);

    const LibraryItem clashing(record({{u"m3"_s, {u"1"_s, false, jan8}}, {u"m2"_s, {u"1"_s, true, jan5}}}));
    EXPECT_EQ(clashing.lastSeen(macs), u"Last on Mac · B · Jan 8, 2026"_s);

    // A date never stored reads as the distant past and gives no text, even on a known Mac.
    EXPECT_EQ(LibraryItem(record({{u"m1"_s, {u"1"_s, true, LibraryApp::distantPast()}}})).lastSeen(macs), std::nullopt);
}

// A manual route's page stands whatever the record names; otherwise the record, then the first
// candidate's notes.
TEST(LibraryItem, WebsiteFollowsTheRoute) {
    LibraryApp app = record({});
    app.homepage = u"https://app.example/"_s;
    LibraryItem item(app);
    item.setRoute(Route::manual(QUrl(u"https://casks.example/app"_s), u"No download."_s));
    EXPECT_EQ(item.website(), QUrl(u"https://casks.example/app"_s));

    Release brew;
    brew.kind = SourceKind::homebrew;
    brew.notesURL = QUrl(u"https://app.example/notes"_s);
    item.setRoute(Route::install({brew}));
    EXPECT_EQ(item.website(), QUrl(u"https://app.example/"_s));
    item.setApp(record({}));
    EXPECT_EQ(item.website(), QUrl(u"https://app.example/notes"_s));
}
