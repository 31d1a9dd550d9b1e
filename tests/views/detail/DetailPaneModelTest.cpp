#include "RowSamples.h"
#include "views/detail/DetailPaneModel.h"
#include "views/cards/RowMenuModel.h"

#include <gtest/gtest.h>

using namespace RowSamples;
using A = RowAction::Kind;

TEST(DetailPaneModel, UpdateButtonTable) {
    auto unsignedApp = app();
    unsignedApp.team.reset();
    const auto self = app(QStringLiteral("Quenlark"), QStringLiteral("com.quenlark.Quenlark"));
    struct Case {
        const char* name;
        InstalledApp app;
        Status status;
        std::optional<Release> release;
        InstallPhase phase;
        QString title; // empty: no button
        A action;
        bool enabled;
        QString help;
    };
    const Case cases[] = {
        {"not an update", app(), Status::upToDate(), release(SourceKind::sparkle), InstallPhase::idle(), "", A::none,
         true, ""},
        {"no release", app(), Status::update(), std::nullopt, InstallPhase::idle(), "", A::none, true, ""},
        {"app store", unsignedApp, Status::update(), release(SourceKind::appStore), InstallPhase::downloading(0.2),
         "Open in App Store", A::openStore, true, ""},
        {"installable", app(), Status::update(), release(SourceKind::github), InstallPhase::idle(),
         "Update to \u20681.3\u2069", A::update, true, ""},
        {"installable after a failure", app(), Status::update(), release(SourceKind::github), InstallPhase::failed("x"),
         "Update to \u20681.3\u2069", A::update, true, ""},
        {"installable while busy", app(), Status::update(), release(SourceKind::github), InstallPhase::queued(),
         "Update to \u20681.3\u2069", A::update, false, ""},
        {"installable by build", app(), Status::update(), release(SourceKind::github, std::nullopt),
         InstallPhase::idle(), "Update to ?", A::update, true, ""},
        {"electron with page and download", app(), Status::update(), release(SourceKind::electron, "2", true, true),
         InstallPhase::idle(), "Download…", A::openURL, true,
         "\u2068Example\u2069 isn't signed by a developer, so Quenlark can't confirm the download is genuine. Download "
         "it from "
         "its website."},
        {"electron with page only", app(), Status::update(), release(SourceKind::electron, "2", false, true),
         InstallPhase::idle(), "Download…", A::openURL, true, "Opens the app's page"},
        {"this app itself", self, Status::update(), release(SourceKind::sparkle, "2", true, true), InstallPhase::idle(),
         "Download…", A::openURL, true,
         "Quenlark can't replace itself while it's running. This opens its website to download the new version."},
        {"no page", unsignedApp, Status::update(), release(SourceKind::sparkle), InstallPhase::idle(), "", A::none,
         true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = row(c.status, c.release, c.phase);
        r.app = c.app;
        const auto button = DetailPaneModel::updateButton(r);
        if (c.title.isEmpty()) {
            EXPECT_FALSE(button);
            continue;
        }
        ASSERT_TRUE(button);
        EXPECT_EQ(button->title, c.title);
        EXPECT_EQ(button->action.kind, c.action);
        EXPECT_EQ(button->enabled, c.enabled);
        EXPECT_EQ(button->help, c.help);
    }
}

TEST(DetailPaneModel, MenusAndUninstallFollowStatusAndPhase) {
    const auto titles = [](const QList<DetailPaneModel::Button>& list) {
        QStringList out;
        for (const auto& b : list)
            out << b.title;
        return out;
    };
    EXPECT_EQ(titles(DetailPaneModel::ignoreMenu(row())),
              (QStringList{"Skip Version \u20681.3\u2069", "Ignore \u2068Example\u2069"}));
    EXPECT_EQ(titles(DetailPaneModel::ignoreMenu(row(Status::ignored("Skipped"), release(SourceKind::sparkle)))),
              QStringList{"Stop Ignoring"});
    EXPECT_EQ(titles(DetailPaneModel::ignoreMenu(row(Status::upToDate()))), QStringList{"Ignore \u2068Example\u2069"});

    struct Case {
        QString bundleID;
        InstallPhase phase;
        bool enabled;
        QString help;
    };
    const QString move =
        QStringLiteral("Move \u2068Example\u2069 to the Trash, and its data too if you choose (Ctrl+Backspace)");
    const Case cases[] = {
        {"org.example.app", InstallPhase::idle(), true, move},
        {"org.example.app", InstallPhase::failed("x"), true, move},
        {"org.example.app", InstallPhase::done(), true, move},
        {"org.example.app", InstallPhase::blocked(), true, move},
        {"org.example.app", InstallPhase::queued(), false, move},
        {"org.example.app", InstallPhase::downloading(0.5), false, move},
        {"org.example.app", InstallPhase::verifying(), false, move},
        {"org.example.app", InstallPhase::installing(), false, move},
        {"com.apple.Safari", InstallPhase::idle(), false, "\u2068Example\u2069 is part of macOS or an Apple app."},
        {"com.quenlark.Quenlark", InstallPhase::idle(), false,
         "Quenlark can't remove itself. Drag it to the Trash from Applications."},
    };
    for (const auto& c : cases) {
        auto r = row(Status::update(), release(SourceKind::sparkle), c.phase);
        r.app.bundleID = c.bundleID;
        const auto button = DetailPaneModel::uninstallButton(r);
        EXPECT_EQ(button.enabled, c.enabled) << c.bundleID.toStdString();
        EXPECT_EQ(button.help, c.help);
        // The row menu's removal entry follows the same rule.
        EXPECT_EQ(RowMenuModel::entries(r).last().enabled, c.enabled);
    }
}

TEST(DetailPaneModel, DetailsLogSourcesAndNotes) {
    auto r = row(Status::update(), release(SourceKind::sparkle, QStringLiteral("2.1")));
    r.release->build = QStringLiteral("512");
    r.app.team.reset();
    r.app.version.reset();
    const QList<QPair<QString, QString>> expected{{"Version", "—"},
                                                  {"Build", "—"},
                                                  {"Team ID", "No Team ID (ad-hoc or unsigned)"},
                                                  {"Source", "Sparkle"},
                                                  {"Latest", "\u20682.1\u2069 (\u2068512\u2069)"},
                                                  {"Location", "/Applications"}};
    EXPECT_EQ(DetailPaneModel::details(r), expected);
    r.release->version.reset();
    EXPECT_EQ(DetailPaneModel::details(r)[4].second, QStringLiteral("\u2068512\u2069 (\u2068512\u2069)"));
    r.release->build.reset();
    EXPECT_EQ(DetailPaneModel::details(r)[4].second, QStringLiteral("?"));
    r.release.reset();
    r.app.bundleID = QStringLiteral("com.apple.Safari");
    EXPECT_EQ(DetailPaneModel::details(r)[2].second, QStringLiteral("Apple"));
    EXPECT_EQ(DetailPaneModel::details(r)[3].second, QStringLiteral("—"));
    EXPECT_EQ(DetailPaneModel::details(r).size(), 5);

    r.installLog = {QStringLiteral("Update failed: Boom."), QStringLiteral("Example was left untouched.")};
    r.phase = InstallPhase::failed(QStringLiteral("Boom."));
    auto log = DetailPaneModel::installLog(r);
    EXPECT_EQ(log[0].symbol, QStringLiteral("xmark.circle.fill"));
    EXPECT_EQ(log[0].tint, Palette::Tint::red);
    EXPECT_EQ(log[1].symbol, QStringLiteral("checkmark.circle"));
    r.phase = InstallPhase::blocked();
    log = DetailPaneModel::installLog(r);
    EXPECT_EQ(log[0].symbol, QStringLiteral("checkmark.circle"));
    EXPECT_EQ(log[0].tint, Palette::Tint::secondary);

    EXPECT_EQ(DetailPaneModel::noAttempts(row(Status::ignored("x"))), QStringLiteral("Ignored apps aren't checked."));
    EXPECT_EQ(DetailPaneModel::noAttempts(row(Status::checking())), QStringLiteral("Not checked yet."));

    using N = DetailPaneModel::Notes::Kind;
    auto notes = release(SourceKind::github, "2", true, true);
    notes.notes = QStringLiteral("**Faster** [site](https://e.org)");
    auto box = DetailPaneModel::releaseNotes(row(Status::update(), notes));
    EXPECT_EQ(box.kind, N::box);
    EXPECT_TRUE(box.markdown);
    EXPECT_EQ(box.linkTitle, QStringLiteral("Full release notes"));
    notes.kind = SourceKind::sparkle;
    EXPECT_FALSE(DetailPaneModel::releaseNotes(row(Status::update(), notes)).markdown);
    notes.notesURL.reset();
    EXPECT_EQ(DetailPaneModel::releaseNotes(row(Status::update(), notes)).linkTitle, QString());
    auto pageOnly = release(SourceKind::sparkle, "2", true, true);
    pageOnly.notes = QString();
    const auto link = DetailPaneModel::releaseNotes(row(Status::update(), pageOnly));
    EXPECT_EQ(link.kind, N::link);
    EXPECT_EQ(link.linkTitle, QStringLiteral("Open release notes"));
    EXPECT_EQ(DetailPaneModel::releaseNotes(row(Status::update(), release(SourceKind::sparkle))).kind, N::none);
}

TEST(RowMenuModel, EntriesTopToBottom) {
    const auto titles = [](const RowFacts& r) {
        QStringList out;
        for (const auto& e : RowMenuModel::entries(r))
            out << (e.isDivider() ? QStringLiteral("-") : e.title);
        return out;
    };
    const QStringList tail{"-", "Check Again", "Show in Finder", "-", "Move to Trash…"};
    EXPECT_EQ(titles(row()),
              QStringList({"Update to \u20681.3\u2069", "Skip Version \u20681.3\u2069", "Ignore \u2068Example\u2069"}) +
                  tail);
    EXPECT_EQ(titles(row(Status::update(), release(SourceKind::appStore))),
              QStringList({"Open in App Store", "Skip Version \u20681.3\u2069", "Ignore \u2068Example\u2069"}) + tail);
    auto refused = row(Status::update(), release(SourceKind::homebrew));
    refused.app.team.reset();
    EXPECT_EQ(titles(refused), QStringList({"Skip Version \u20681.3\u2069", "Ignore \u2068Example\u2069"}) + tail);
    EXPECT_EQ(titles(row(Status::update(), std::nullopt)), QStringList({"Ignore \u2068Example\u2069"}) + tail);
    EXPECT_EQ(titles(row(Status::update(), release(SourceKind::sparkle, std::nullopt))),
              QStringList({"Update to ?", "Skip Version ?", "Ignore \u2068Example\u2069"}) + tail);
    EXPECT_EQ(titles(row(Status::ignored("Skipped 1.3"))), QStringList({"Stop Ignoring"}) + tail);
    const auto entries = RowMenuModel::entries(row());
    EXPECT_TRUE(entries.last().destructive);
    EXPECT_EQ(entries.last().action.kind, A::remove);
    EXPECT_EQ(entries[4].action.kind, A::check);
    EXPECT_EQ(entries[5].action.kind, A::reveal);
}
