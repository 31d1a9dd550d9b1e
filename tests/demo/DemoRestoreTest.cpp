#include "DemoSandbox.h"
#include "StoreHarness.h"
#include "TestEnvironment.h"
#include "TestPki.h"

#include "install/SignatureChecks.h"
#include "install/Updater.h"
#include "model/Scanner.h"
#include "platform/codesign/Anchors.h"
#include "runtime/MakeShared.h"
#include "sources/Net.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

// The record another Mac would have kept of one of its apps.
LibraryApp seenElsewhere(const InstalledApp& app) {
    LibraryApp record;
    record.id = app.bundleID;
    record.name = app.name;
    record.team = app.team;
    record.edKey = app.edKey;
    if (app.feedURL)
        record.feedURL = app.feedURL->toString();
    record.devices.insert(u"delsewhere"_s, {app.version.value_or(QString()), true, QDateTime::currentDateTimeUtc()});
    return record;
}

} // namespace

// A new Mac's road: the demo's apps as the account's library saw them on another Mac, restored
// into the emptied sandbox from the demo's update server, every download checked against its
// record; the installer package lands where it installs, in the sandbox.
TEST(DemoRestore, PutsBackEveryAppItCanVerifyAndLeavesTheRestToTheUser) {
    DemoSandbox demo(TestEnvironment::root() + u"/restore-demo"_s);
    ASSERT_NO_THROW(demo.make());
    Anchors::setConfigured(TestPki::shared().anchors());
    qputenv("QUENLARK_ANCHORS", QFile::encodeName(demo.anchors()));

    const QString elsewhere = demo.applications();
    const auto record = [&elsewhere](const QString& name, std::function<void(LibraryApp&)> arrange = {}) {
        const auto app = Scanner::read(elsewhere + u'/' + name + u".app"_s, elsewhere);
        EXPECT_TRUE(app) << name.toStdString();
        LibraryApp library = seenElsewhere(*app);
        if (arrange)
            arrange(library);
        return makeShared<LibraryItem>(library);
    };
    const Store::LibraryRows items{
        record(u"Lumen"_s),                                                    // its appcast, EdDSA-signed
        record(u"Pebble"_s),                                                   // its appcast, by its team alone
        record(u"Harbor"_s, [](LibraryApp& a) { a.caskToken = u"harbor"_s; }), // a cask's disk image
        record(u"Quill"_s, [](LibraryApp& a) { a.caskToken = u"quill"_s; }),   // the GitHub release its cask names
        record(u"Ledger"_s, [](LibraryApp& a) { a.caskToken = u"ledger"_s; }), // an installer package
        record(u"Mosaic"_s, [](LibraryApp& a) { a.storeURL = u"macappstore://apps.apple.com/app/id1234567890"_s; }),
        record(u"Relay"_s, [](LibraryApp& a) { a.source = u"Electron"_s; }), // updates itself
        record(u"Driftwood"_s),                                              // no source at all
    };

    // The other Mac keeps the bundles; this one starts with an empty sandbox.
    const QString here = demo.applications();
    ASSERT_TRUE(QDir().rename(here, TestEnvironment::root() + u"/restore-demo/OtherMac"_s));
    ASSERT_TRUE(QDir().mkpath(here));
    qputenv("QUENLARK_ELEVATION", "unprivileged");

    StoreHarness h;
    h.real = true;
    h.options.sandbox = here;
    h.options.mock = demo.mock();
    Store& s = h.build();

    auto done = h.start(s.restore(items));
    int asked = 0;
    QDeadlineTimer deadline(120s);
    while (!*done && !deadline.hasExpired()) {
        if (s.packageConsent()) {
            ++asked;
            EXPECT_EQ(s.packageConsent()->request.app, u"Ledger"_s);
            EXPECT_TRUE(s.packageConsent()->request.notarized);
            EXPECT_TRUE(s.packageConsent()->request.sameTeam);
            s.packageConsent()->answer(true);
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        h.clock.advance(20ms);
        QThread::msleep(1);
    }
    ASSERT_TRUE(*done) << "the restore didn't end";
    Net::resetForTest();

    EXPECT_EQ(asked, 1);
    for (const auto& [index, team] : QList<std::pair<int, QString>>{{0, u"AAAAAAAAAA"_s},
                                                                    {1, u"BBBBBBBBBB"_s},
                                                                    {2, u"BBBBBBBBBB"_s},
                                                                    {3, u"AAAAAAAAAA"_s},
                                                                    {4, u"AAAAAAAAAA"_s}}) {
        const auto& item = items[index];
        const QString bundle = here + u'/' + item->app().name + u".app"_s;
        SCOPED_TRACE(item->app().name.toStdString());
        EXPECT_EQ(item->phase(), InstallPhase::done()) << item->note().value_or(u"-"_s).toStdString();
        EXPECT_EQ(item->team(), team);
        EXPECT_EQ(SignatureChecks::validSignature(bundle), team);
        EXPECT_EQ(Updater::bundleIdentifier(bundle), item->app().id);
    }
    for (int index : {5, 6, 7})
        EXPECT_EQ(items[index]->phase(), InstallPhase::idle()) << items[index]->app().name.toStdString();
    EXPECT_EQ(items[5]->route()->kind(), Route::Kind::store);
    EXPECT_EQ(items[6]->route()->reason(), u"It updates itself, but there's no download Quenlark can verify."_s);
    EXPECT_EQ(items[7]->route()->kind(), Route::Kind::manual);
    EXPECT_EQ(s.notice(), u"3 apps need installing from the App Store or its website. See Get It Yourself."_s);
    EXPECT_EQ(QDir(here).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{u"Harbor.app"_s, u"Ledger.app"_s, u"Lumen.app"_s, u"Pebble.app"_s, u"Quill.app"_s}));

    // The check at the end lists what came back.
    QStringList rows;
    for (const auto& row : s.items())
        rows << row->app().name;
    rows.sort();
    EXPECT_EQ(rows, (QStringList{u"Harbor"_s, u"Ledger"_s, u"Lumen"_s, u"Pebble"_s, u"Quill"_s}));

    qunsetenv("QUENLARK_ELEVATION");
    qunsetenv("QUENLARK_ANCHORS");
    Anchors::setConfigured(nullptr);
}
