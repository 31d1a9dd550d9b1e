#include "AuthEmulator.h"
#include "DemoLaunch.h"
#include "DemoLibrary.h"
#include "Desktop.h"
#include "RunSync.h"
#include "TestEnvironment.h"

#include "app/MainWindow.h"
#include "library/Cloud.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <iostream>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

// A name as the library's rows isolate it.
QString isolated(const QString& name) { return u"\u2068"_s + name + u"\u2069"_s; }

// The demo's window as a person meets it: read through the accessibility bus, clicked and typed
// into with the pointer and the keyboard.
class Window {
public:
    explicit Window(DemoLaunch& launch) : launch_(launch) {}

    QList<Accessibility::Object> all() const { return launch_.accessibility()->showing(launch_.quenlark().pid()); }

    std::optional<Accessibility::Object> find(const QString& name, const QString& role = {}) const {
        return launch_.showing(name, 0ms, role);
    }
    std::optional<Accessibility::Object> waitFor(const QString& name, std::chrono::milliseconds limit,
                                                 const QString& role = {}) const {
        return launch_.showing(name, limit, role);
    }
    bool click(const QString& name, std::chrono::milliseconds limit = 20s, const QString& role = {}) const {
        const auto object = waitFor(name, limit, role);
        if (!object)
            return false;
        return Desktop::click(object->box.center());
    }
    bool type(const QString& field, const QString& text) const {
        return click(field, 20s, u"text"_s) &&
               Desktop::run(u"xdotool"_s, {u"type"_s, u"--delay"_s, u"20"_s, text}).has_value();
    }
    // What is showing, for failure messages.
    std::string dump() const {
        QStringList lines;
        for (const auto& object : all())
            lines << object.role + u" \""_s + object.name + u'"';
        return lines.join(u'\n').toStdString();
    }
    // Whether the row of `app` shows `tag`.
    bool rowShows(const QString& app, const QString& tag) const {
        const auto objects = all();
        for (const auto& row : objects)
            if (row.name == app && !row.box.isEmpty())
                for (const auto& mark : objects)
                    if (mark.name == tag && row.box.contains(mark.box.center()))
                        return true;
        return false;
    }

private:
    DemoLaunch& launch_;
};

QStringList libraryIDs(const CloudConfig& config, const Session& session) {
    QStringList ids;
    for (const LibraryApp& app : runSync(Cloud{config, session}.apps()).records)
        ids << app.id;
    ids.sort();
    return ids;
}

} // namespace

// A newcomer's road through the demo's library: sign in with the demo account through the form,
// restore everything another Mac has and this one lacks, skipping one installer package and
// allowing another, see the restored apps on this Mac, and take one app out of the account's
// library through its confirmation.
TEST(Library, SignInRestoreAndRemoveThroughTheWindow) {
    const auto cloud = AuthEmulator::withFirestore();
    if (!cloud) {
        // Run beside both emulators only (tests/support/with-*-emulator --optional).
        std::cout << "Library: the Authentication and Firestore emulators don't both run; skipped" << std::endl;
        TestEnvironment::cleanUp();
        std::fflush(nullptr);
        std::_Exit(77);
    }
    DemoLaunch launch;
    ASSERT_TRUE(launch.make());
    const Session account = runSync(DemoLibrary::seed(*cloud, launch.demo().studio()));
    const QString prefix = u"com.quenlark.demo."_s;
    ASSERT_TRUE(libraryIDs(*cloud, account).contains(prefix + u"cadence"_s));

    const QStringList emulators = DemoLaunch::emulatorArguments(*cloud);
    ASSERT_FALSE(emulators.isEmpty());

    ASSERT_TRUE(launch.start(DemoLaunch::Start().with(emulators).exposed().awaiting(MainWindow::title, 60s)));
    DemoQuenlark& quenlark = launch.quenlark();
    const WId main = launch.window();
    // A new sandbox greets with the welcome window; Escape closes it.
    if (const auto welcome = Desktop::waitForWindow(u"Welcome to Quenlark"_s, 10s)) {
        ASSERT_TRUE(Desktop::activate(*welcome));
        ASSERT_TRUE(Desktop::press(u"Escape"_s));
    }
    ASSERT_TRUE(launch.accessibility()) << "the accessibility bus did not answer";
    const Window window(launch);
    ASSERT_TRUE(Desktop::activate(main));

    // Signed out, the library filter shows the form.
    std::optional<Accessibility::Object> chip;
    ASSERT_TRUE(Desktop::waitUntil(
        [&] {
            for (const auto& object : window.all())
                if (object.name.startsWith(u"Library, "_s))
                    return (chip = object).has_value();
            return false;
        },
        30s))
        << quenlark.text();
    ASSERT_TRUE(window.click(chip->name));
    ASSERT_TRUE(window.type(u"Email"_s, DemoLibrary::email));
    ASSERT_TRUE(window.type(u"Password"_s, DemoLibrary::password));
    ASSERT_TRUE(window.click(u"I agree to the Terms of Service and Privacy Policy"_s));
    ASSERT_TRUE(window.click(u"Sign In"_s, 20s, u"push button"_s)) << quenlark.text() << window.dump();

    // Studio's apps this Mac lacks; the App Store one waits under "Get It Yourself".
    ASSERT_TRUE(window.waitFor(u"Select "_s + isolated(u"Tally"_s), 60s)) << quenlark.text();
    EXPECT_TRUE(window.find(u"Select "_s + isolated(u"Atlas"_s)));
    EXPECT_TRUE(window.find(u"Select "_s + isolated(u"Cadence"_s)));
    EXPECT_FALSE(window.find(u"Select "_s + isolated(u"Lumen"_s)));
    EXPECT_TRUE(Desktop::screenshot(main, QStringLiteral(QUENLARK_SCREENS "/e2e-library-signed-in.png"), 3s));

    // The sign-in's notice (no keyring keeps the session here) lies over the action bar for 4 s,
    // as a person would see before reaching for it.
    Desktop::waitUntil([] { return false; }, 5s);
    // Install All: the packages ask first, in the library's order.
    ASSERT_TRUE(window.click(u"Install All"_s, 20s, u"push button"_s));
    ASSERT_TRUE(
        window.waitFor(u"\u2068Cadence\u2069 installs with a package and needs your administrator password"_s, 60s))
        << quenlark.text() << window.dump();
    EXPECT_TRUE(Desktop::screenshot(main, QStringLiteral(QUENLARK_SCREENS "/e2e-library-consent.png"), 3s));
    // Escape is the card's "Skip This App".
    ASSERT_TRUE(window.find(u"Skip This App"_s, u"push button"_s));
    ASSERT_TRUE(Desktop::activate(main));
    ASSERT_TRUE(Desktop::press(u"Escape"_s));
    ASSERT_TRUE(
        window.waitFor(u"\u2068Tally\u2069 installs with a package and needs your administrator password"_s, 60s))
        << quenlark.text();
    ASSERT_TRUE(window.click(u"Continue…"_s));

    const QString applications = launch.demo().applications();
    ASSERT_TRUE(Desktop::waitUntil(
        [&] {
            return QFileInfo::exists(applications + u"/Atlas.app"_s) &&
                   QFileInfo::exists(applications + u"/Tally.app"_s);
        },
        90s))
        << quenlark.text();
    EXPECT_FALSE(QFileInfo::exists(applications + u"/Cadence.app"_s));

    // The restored rows say so, and the check that ends the restore records them as on this Mac.
    const QString allTab = [&] {
        for (const auto& object : window.all())
            if (object.name.startsWith(u"All  "_s))
                return object.name;
        return QString();
    }();
    ASSERT_FALSE(allTab.isEmpty());
    ASSERT_TRUE(window.click(allTab));
    EXPECT_TRUE(Desktop::waitUntil(
        [&] { return window.rowShows(u"Atlas"_s, u"Installed"_s) && window.rowShows(u"Tally"_s, u"Installed"_s); },
        60s))
        << quenlark.text() << window.dump();
    EXPECT_FALSE(window.rowShows(u"Cadence"_s, u"Installed"_s));
    // An app this Mac had all along reads as on it.
    EXPECT_TRUE(window.rowShows(u"Driftwood"_s, u"On this Mac"_s));
    const auto hereOn = [&](const QString& id) {
        for (const LibraryApp& app : runSync(Cloud{*cloud, account}.apps()).records)
            if (app.id == id)
                for (auto entry = app.devices.begin(); entry != app.devices.end(); ++entry)
                    if (entry.key() != DemoLibrary::studioID && entry.value().installed)
                        return true;
        return false;
    };
    EXPECT_TRUE(Desktop::waitUntil([&] { return hereOn(prefix + u"atlas"_s) && hereOn(prefix + u"tally"_s); }, 30s));
    EXPECT_FALSE(hereOn(prefix + u"cadence"_s));
    EXPECT_TRUE(Desktop::screenshot(main, QStringLiteral(QUENLARK_SCREENS "/e2e-library-restored.png"), 3s));

    // Cadence leaves the account's library through its confirmation.
    ASSERT_TRUE(window.click(u"Select "_s + isolated(u"Cadence"_s)));
    ASSERT_TRUE(window.click(u"Remove from Library…"_s, 20s, u"push button"_s));
    ASSERT_TRUE(window.waitFor(u"Remove \u2068Cadence\u2069 from your Library?"_s, 20s)) << quenlark.text();
    EXPECT_TRUE(window.find(u"It's still on one of your Macs, so that Mac adds it back the next time it syncs."_s));
    ASSERT_TRUE(window.click(u"Remove"_s, 20s, u"push button"_s));
    EXPECT_TRUE(Desktop::waitUntil([&] { return !libraryIDs(*cloud, account).contains(prefix + u"cadence"_s); }, 30s));
    EXPECT_TRUE(libraryIDs(*cloud, account).contains(prefix + u"tally"_s));
    EXPECT_TRUE(quenlark.running()) << quenlark.text();
}
