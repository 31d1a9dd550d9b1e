#include "RowSamples.h"
#include "sources/BrewIndex.h"
#include "sources/Net.h"
#include "views/cards/RowAccessoryModel.h"
#include "views/detail/DetailPaneModel.h"

#include "LoopbackServer.h"
#include "RunSync.h"
#include "TestSource.h"

#include <gtest/gtest.h>

using namespace RowSamples;
using Kind = RowAccessoryModel::Content::Kind;
using Tint = Palette::Tint;
using A = RowAction::Kind;

namespace {
const QString allowHelp = QStringLiteral(
    "macOS needs App Management permission for Quenlark before it can change this app. Opens System Settings.");
}

TEST(RowAccessoryModel, PhaseThenStatusDecideKeyAndContent) {
    struct Case {
        InstallPhase phase;
        Status status;
        bool checking;
        QString key;
        Kind kind;
        QString title;
        QString symbol;
        Tint tint;
        QString help;
    };
    const Case cases[] = {
        {InstallPhase::queued(), Status::update(), false, "queued", Kind::tag, "Queued", "clock", Tint::secondary, ""},
        {InstallPhase::downloading(0.999), Status::update(), false, "downloading", Kind::progress, "99%", "",
         Tint::secondary, ""},
        {InstallPhase::downloading(1.0), Status::update(), false, "downloading", Kind::progress, "100%", "",
         Tint::secondary, ""},
        {InstallPhase::downloading(0.29), Status::update(), false, "downloading", Kind::progress, "29%", "",
         Tint::secondary, ""},
        {InstallPhase::verifying(), Status::update(), false, "verifying", Kind::progress, "Verifying", "",
         Tint::secondary, ""},
        {InstallPhase::installing(), Status::update(), true, "installing", Kind::progress, "Installing", "",
         Tint::secondary, ""},
        {InstallPhase::done(), Status::upToDate(), false, "done", Kind::doneMark, "Updated", "", Tint::secondary, ""},
        {InstallPhase::failed("Boom."), Status::update(), false, "failed(Boom.)", Kind::tag, "Failed",
         "xmark.octagon.fill", Tint::red, "Boom."},
        {InstallPhase::blocked(), Status::update(), false, "blocked", Kind::button, "Allow…", "", Tint::secondary,
         allowHelp},
        {InstallPhase::idle(), Status::update(), true, "checking", Kind::ring, "", "", Tint::secondary, ""},
        {InstallPhase::idle(), Status::upToDate(), true, "checking", Kind::ring, "", "", Tint::secondary, ""},
        {InstallPhase::idle(), Status::checking(), false, "checking", Kind::ring, "", "", Tint::secondary, ""},
        {InstallPhase::idle(), Status::cantVerify("No source answered"), false, "Can't verify", Kind::tag,
         "Can't verify", "exclamationmark.triangle.fill", Tint::orange, "No source answered"},
        {InstallPhase::idle(), Status::ignored("You're ignoring this app"), false, "Ignored", Kind::tag, "Ignored",
         "eye.slash", Tint::secondary, "You're ignoring this app"},
        {InstallPhase::idle(), Status::upToDate(), false, "Up to date", Kind::tag, "Up to date", "checkmark",
         Tint::secondary, ""},
        {InstallPhase::idle(), Status::update(), false, "Update available", Kind::button, "Update", "", Tint::secondary,
         ""},
    };
    for (const auto& c : cases) {
        auto r = row(c.status, release(SourceKind::sparkle), c.phase);
        r.checking = c.checking;
        const auto content = RowAccessoryModel::content(r);
        SCOPED_TRACE(c.key.toStdString());
        EXPECT_EQ(RowAccessoryModel::stateKey(r), c.key);
        EXPECT_EQ(content.kind, c.kind);
        EXPECT_EQ(content.title, c.title);
        EXPECT_EQ(content.symbol, c.symbol);
        if (c.kind == Kind::tag) {
            EXPECT_EQ(content.tint, c.tint);
        }
        EXPECT_EQ(content.help, c.help);
    }
    const auto downloading =
        RowAccessoryModel::content(row(Status::update(), release(SourceKind::sparkle), InstallPhase::downloading(0.4)));
    EXPECT_EQ(downloading.value, 0.4);
    EXPECT_FALSE(
        RowAccessoryModel::content(row(Status::update(), release(SourceKind::sparkle), InstallPhase::verifying()))
            .value);
    const auto allow = RowAccessoryModel::content(row(Status::update(), std::nullopt, InstallPhase::blocked()));
    EXPECT_FALSE(allow.prominent);
    EXPECT_EQ(allow.action, (RowAction{A::openURL, RowAccessoryModel::appManagementPane()}));
}

TEST(RowAccessoryModel, UpdateActionFitsTheSource) {
    InstalledApp self = app(QStringLiteral("Quenlark"), QStringLiteral("com.quenlark.Quenlark"));
    InstalledApp unsignedApp = app();
    unsignedApp.team.reset();
    const QString unsignedHelp = QStringLiteral("\u2068Example\u2069 isn't signed by a developer, so Quenlark can't "
                                                "confirm the download is genuine. Download it from its "
                                                "website.");
    struct Case {
        const char* name;
        InstalledApp app;
        std::optional<Release> release;
        Kind kind;
        QString title;
        bool prominent;
        A action;
        QString help;
    };
    const Case cases[] = {
        {"app store wins over anything", app(), release(SourceKind::appStore, "2", true, true), Kind::button,
         "App Store", false, A::openStore, "Mac App Store updates install through the App Store"},
        {"electron installs itself", app(), release(SourceKind::electron, "2", true, true), Kind::tag, "In-app update",
         false, A::none, "This Electron app installs its own updates. Open it to update."},
        {"installable", app(), release(SourceKind::homebrew), Kind::button, "Update", true, A::update, ""},
        {"this app itself with a page", self, release(SourceKind::github, "2", true, true), Kind::button, "Download…",
         false, A::openURL,
         "Quenlark can't replace itself while it's running. This opens its website to download the new version."},
        {"page without a download", unsignedApp, release(SourceKind::sparkle, "2", false, true), Kind::button,
         "Download…", false, A::openURL, "The source has no Mac download Quenlark can install; this opens its page"},
        {"unsigned with page and download", unsignedApp, release(SourceKind::sparkle, "2", true, true), Kind::button,
         "Download…", false, A::openURL, unsignedHelp},
        {"unsigned download without a page", unsignedApp, release(SourceKind::sparkle, "2", true, false), Kind::tag,
         "Get it yourself", false, A::none, unsignedHelp},
        {"this app's download without a page", self, release(SourceKind::sparkle, "2", true, false), Kind::tag,
         "Get it yourself", false, A::none, ""},
        {"neither page nor download", unsignedApp, release(SourceKind::sparkle, "2", false, false), Kind::empty, "",
         false, A::none, ""},
        {"no release", app(), std::nullopt, Kind::empty, "", false, A::none, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = row(Status::update(), c.release);
        r.app = c.app;
        const auto content = RowAccessoryModel::content(r);
        EXPECT_EQ(content.kind, c.kind);
        EXPECT_EQ(content.title, c.title);
        EXPECT_EQ(content.prominent, c.prominent);
        EXPECT_EQ(content.action.kind, c.action);
        EXPECT_EQ(content.help, c.help);
        if (c.action == A::openURL) {
            EXPECT_EQ(content.action.url, c.release->notesURL);
        }
    }
}

// A source beyond the five joins by its step and its traits alone: the check asks it after the
// five, and the row shows what its traits say.
TEST(RowAccessoryModel, AnAddedSourceIsAskedAndItsTraitsDecideTheRow) {
    LoopbackServer server;
    server.serve("/api/cask.json", "[]", 200, "application/json");
    server.start();
    const Endpoints endpoints = Endpoints::mock(server.url("/"));
    Checker checker(endpoints, std::make_shared<BrewIndex>(endpoints.caskCatalogue(), std::nullopt));
    auto asked = std::make_shared<int>(0);
    checker.steps.append(TestSource::step(asked, QStringLiteral("2.0")));
    const Checker::Check found = runSync(checker.check(app()));
    Net::resetForTest();
    EXPECT_EQ(*asked, 1);
    ASSERT_EQ(found.attempts.size(), 6);
    EXPECT_EQ(found.attempts.last().kind, TestSource::kind);
    const RowFacts facts = row(Status::update(), found.release);
    const auto content = RowAccessoryModel::content(facts);
    EXPECT_EQ(content.kind, Kind::tag);
    EXPECT_EQ(content.title, "In-app update");
    EXPECT_TRUE(DetailPaneModel::releaseNotes(facts).markdown);
}
