#include "account/Auth.h"
#include "library/Cloud.h"
#include "runtime/AuthError.h"
#include "runtime/CheckError.h"
#include "store/LibraryItem.h"

#include "AuthEmulator.h"
#include "FakeClock.h"
#include "QtPrinters.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

// The library against the real Authentication and Firestore emulators, which
// `ctest -L emulator` starts for the run, with the shipped security rules.
namespace {

#define REQUIRE_EMULATORS(config)                                                                                      \
    const auto config##Found = AuthEmulator::withFirestore();                                                          \
    if (!config##Found)                                                                                                \
        GTEST_SKIP() << "the Authentication and Firestore emulators are not running: "                                 \
                        "`ctest -L emulator` starts them";                                                             \
    const CloudConfig config = *config##Found

Cloud signedUp(const CloudConfig& config) {
    return Cloud{config, runSync(Auth::signUp(AuthEmulator::freshAddress(), u"secret-pw"_s, config))};
}

InstalledApp app(const QString& bundleID, const QString& name, std::optional<QString> version) {
    InstalledApp a;
    a.bundleID = bundleID;
    a.name = name;
    a.url = u"/Applications/"_s + name + u".app"_s;
    a.version = std::move(version);
    return a;
}

Release release(SourceKind kind, std::optional<QString> ref) {
    Release r;
    r.kind = kind;
    r.ref = std::move(ref);
    return r;
}

Device mac(const QString& id, const QString& model) { return Device{id, u"Mac"_s, model, {}, u"ab12"_s}; }

const LibraryApp* find(const QList<LibraryApp>& apps, const QString& id) {
    const auto found = std::find_if(apps.cbegin(), apps.cend(), [&](const LibraryApp& a) { return a.id == id; });
    return found == apps.cend() ? nullptr : &*found;
}

template <typename T>
std::string failure(QCoro::Task<T> task) {
    try {
        runSync(std::move(task));
    } catch (const Error& error) {
        return error.description().toStdString();
    }
    return "none";
}

} // namespace

// A Mac's first sync writes everything, an unchanged one only its device, and an app that left
// keeps its record with installed false; a second Mac of the same name sees it all.
TEST(LibraryOnEmulators, SyncsOfTwoMacsInOneAccount) {
    REQUIRE_EMULATORS(config);
    FakeClock clock(QDateTime(QDate(2026, 1, 10), QTime(12, 0), Qt::UTC));
    const Cloud cloud = signedUp(config);

    InstalledApp sparkle = app(u"org.example.feed"_s, u"Feed"_s, u"2.1"_s);
    sparkle.feedURL = QUrl(u"https://example.org/appcast.xml"_s);
    sparkle.edKey = u"ed-key"_s;
    sparkle.team = u"TEAM000001"_s;
    Release brew = release(SourceKind::homebrew, u"brewed"_s);
    brew.notesURL = QUrl(u"https://brewed.example/"_s);
    QList<Cloud::Scanned> scanned{
        {sparkle, release(SourceKind::sparkle, u"https://other.example/feed.xml"_s)},
        {app(u"com.example.brewed"_s, u"Brewed"_s, u"1.0"_s), brew},
        {app(u"com.example.hub"_s, u"Hub"_s, std::nullopt), release(SourceKind::github, u"owner/hub"_s)},
        {app(u"com.example.local"_s, u"Local"_s, u"1"_s), std::nullopt},  // a feed that never reads back
        {app(u"com.apple.Safari"_s, u"Safari"_s, u"17"_s), std::nullopt}, // skipped: Apple's own
    };
    const Device first = mac(u"dmacA"_s, u"A"_s);

    scanned[3].app.feedURL = QUrl(u"file:///local.xml"_s);
    EXPECT_EQ(runSync(cloud.sync(scanned, runSync(cloud.apps()).records, first)), 5);
    QList<LibraryApp> library = runSync(cloud.apps()).records;
    ASSERT_EQ(library.size(), 4);
    const LibraryApp* feed = find(library, u"org.example.feed"_s);
    ASSERT_TRUE(feed);
    EXPECT_EQ(feed->name, u"Feed"_s);
    EXPECT_EQ(feed->team, u"TEAM000001"_s);
    EXPECT_EQ(feed->source, u"Sparkle"_s);
    EXPECT_EQ(feed->feedURL, u"https://example.org/appcast.xml"_s); // the bundle's own feed wins
    EXPECT_EQ(feed->edKey, u"ed-key"_s);
    EXPECT_EQ(feed->devices.value(u"dmacA"_s), (LibraryApp::OnDevice{u"2.1"_s, true, clock.now()}));
    EXPECT_EQ(find(library, u"com.example.brewed"_s)->caskToken, u"brewed"_s);
    EXPECT_EQ(find(library, u"com.example.brewed"_s)->homepage, u"https://brewed.example/"_s);
    EXPECT_EQ(find(library, u"com.example.hub"_s)->githubRepo, u"owner/hub"_s);
    EXPECT_EQ(find(library, u"com.example.hub"_s)->devices.value(u"dmacA"_s).version, u"unknown"_s);

    clock.advanceSeconds(3600);
    EXPECT_EQ(runSync(cloud.sync(scanned, library, first)), 1); // nothing changed: the device only

    // Hub leaves this Mac: one write of exactly installed and seen.
    scanned.removeAt(2);
    clock.advanceSeconds(3600);
    EXPECT_EQ(runSync(cloud.sync(scanned, library, first)), 2);
    library = runSync(cloud.apps()).records;
    const LibraryApp* hub = find(library, u"com.example.hub"_s);
    ASSERT_TRUE(hub);
    EXPECT_EQ(hub->devices.value(u"dmacA"_s), (LibraryApp::OnDevice{u"unknown"_s, false, clock.now()}));
    EXPECT_EQ(hub->githubRepo, u"owner/hub"_s);
    EXPECT_EQ(runSync(cloud.sync(scanned, library, first)), 1);

    // A second Mac of the same name, with one app of its own.
    const Device second = mac(u"dmacB"_s, u"B"_s);
    EXPECT_EQ(runSync(cloud.sync({{app(u"com.example.brewed"_s, u"Brewed"_s, u"1.1"_s), brew}}, library, second)), 2);
    library = runSync(cloud.apps()).records;
    const QList<Device> macs = runSync(cloud.devices()).records;
    ASSERT_EQ(macs.size(), 2);
    const LibraryItem brewed(*find(library, u"com.example.brewed"_s));
    EXPECT_EQ(brewed.onDevices(macs), (QStringList{u"Mac · A"_s, u"Mac · B"_s}));
    EXPECT_EQ(brewed.app().devices.value(u"dmacA"_s).version, u"1.0"_s); // the other Mac's entry stays
    EXPECT_EQ(LibraryItem(*find(library, u"com.example.hub"_s)).lastSeen(macs), u"Last on Mac · A · Jan 10, 2026"_s);
}

// Another account's token reads nothing; removal and deletion leave nothing under the user.
TEST(LibraryOnEmulators, RulesRemovalAndDeletion) {
    REQUIRE_EMULATORS(config);
    const Cloud cloud = signedUp(config);
    runSync(cloud.saveProfile(u"Ada"_s, cloud.session.email));
    runSync(cloud.sync({{app(u"com.example.one"_s, u"One"_s, u"1"_s), std::nullopt},
                        {app(u"com.example.two"_s, u"Two"_s, u"1"_s), std::nullopt}},
                       {}, mac(u"dmacA"_s, u"A"_s)));

    Cloud stranger = signedUp(config);
    stranger.session.uid = cloud.session.uid;
    EXPECT_EQ(failure(stranger.apps()), "Your library isn't accessible with this account (false for 'list' @ L6)");
    EXPECT_EQ(failure(stranger.deleteLibrary()),
              "Your library isn't accessible with this account (false for 'list' @ L6)");

    runSync(cloud.remove({u"com.example.one"_s, u"a/b"_s}));
    QList<LibraryApp> left = runSync(cloud.apps()).records;
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left.first().id, u"com.example.two"_s);

    // What the library never writes goes too, at every depth, with or without its parent.
    const QString user = u"users/"_s + cloud.session.uid;
    const QStringList others{user + u"/settings/prefs"_s, user + u"/apps/com.example.two/history/h1"_s,
                             user + u"/gone/x/deep/y"_s};
    QList<QJsonObject> writes;
    for (const QString& path : others)
        writes.append(cloud.write(path, {{u"k"_s, Cloud::Value::string(u"v"_s)}}));
    runSync(cloud.commit(writes));
    runSync(cloud.deleteLibrary());
    runSync(Auth::deleteAccount(cloud.session, config));
    EXPECT_TRUE(runSync(cloud.apps()).records.isEmpty());
    EXPECT_TRUE(runSync(cloud.devices()).records.isEmpty());
    for (const QString& path : QStringList{user} + others)
        EXPECT_EQ(failure(cloud.request(QByteArrayLiteral("GET"), cloud.documentsRoot() + u'/' + path)),
                  "Library sync failed: Document (" + cloud.resourceName(path).toStdString() + ") not found.");
    EXPECT_EQ(failure(Auth::profile(cloud.session, config)), "Your session ended. Sign in again.");
}
