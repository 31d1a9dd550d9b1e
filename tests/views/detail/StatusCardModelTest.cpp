#include "RowSamples.h"
#include "views/detail/AttemptRowModel.h"
#include "views/detail/StatusCardModel.h"

#include <gtest/gtest.h>

using namespace RowSamples;
using Tint = Palette::Tint;

TEST(StatusCardModel, PhaseThenStatusTable) {
    const QString unchanged = QStringLiteral(" The installed app wasn't changed.");
    const QString blocked = QStringLiteral("macOS needs your OK before Quenlark can change \u2068Example\u2069: turn "
                                           "on Quenlark under Privacy & Security › App "
                                           "Management. The update retries by itself once it's on.");
    struct Case {
        InstallPhase phase;
        Status status;
        std::optional<Release> release;
        QString symbol;
        Tint tint;
        QString title;
        QString message;
    };
    const Case cases[] = {
        {InstallPhase::downloading(0.004), Status::update(), release(SourceKind::sparkle), "arrow.down.circle.dotted",
         Tint::accent, "Downloading \u20681.3\u2069", "0% downloaded."},
        {InstallPhase::downloading(0.125), Status::update(), release(SourceKind::sparkle), "arrow.down.circle.dotted",
         Tint::accent, "Downloading \u20681.3\u2069", "13% downloaded."},
        {InstallPhase::downloading(1), Status::update(), std::nullopt, "arrow.down.circle.dotted", Tint::accent,
         "Downloading the update", "100% downloaded."},
        {InstallPhase::queued(), Status::update(), release(SourceKind::sparkle), "arrow.down.circle.dotted",
         Tint::accent, "Queued", "Waiting for the updates ahead of it."},
        {InstallPhase::verifying(), Status::update(), release(SourceKind::sparkle), "arrow.down.circle.dotted",
         Tint::accent, "Verifying \u20681.3\u2069",
         "Checking size, checksum, signatures and Team ID before anything changes."},
        {InstallPhase::installing(), Status::update(), std::nullopt, "arrow.down.circle.dotted", Tint::accent,
         "Installing the update", "Swapping in the new version; the old one goes to the Trash."},
        {InstallPhase::blocked(), Status::update(), release(SourceKind::sparkle), "lock.shield.fill", Tint::orange,
         "Permission needed", blocked + unchanged},
        {InstallPhase::failed("The download was cut short."), Status::update(), release(SourceKind::sparkle),
         "xmark.octagon.fill", Tint::red, "Update failed", "The download was cut short." + unchanged},
        {InstallPhase::done(), Status::upToDate(), release(SourceKind::sparkle), "checkmark.circle.fill", Tint::green,
         "Updated to \u20681.2\u2069",
         "\u20681.2\u2069 is current. The newest version Sparkle lists is \u20681.3\u2069."},
        {InstallPhase::idle(), Status::cantVerify("No source answered"), std::nullopt, "exclamationmark.triangle.fill",
         Tint::orange, "Can't verify", "Quenlark couldn't confirm whether this app is current. No source answered."},
        {InstallPhase::idle(), Status::ignored("You're ignoring this app"), std::nullopt, "eye.slash.fill",
         Tint::secondary, "Ignored", "You're ignoring this app."},
        {InstallPhase::idle(), Status::checking(), std::nullopt, "clock", Tint::secondary, "Checking",
         "Looking for the newest version…"},
        {InstallPhase::idle(), Status::update(), release(SourceKind::sparkle), "arrow.down.circle.fill", Tint::accent,
         "Update available", "\u20681.2\u2069 → \u20681.3\u2069 from Sparkle."},
        {InstallPhase::idle(), Status::update(), std::nullopt, "arrow.down.circle.fill", Tint::accent,
         "Update available", "\u20681.2\u2069 → ? from ."},
        {InstallPhase::idle(), Status::upToDate(), std::nullopt, "checkmark.seal.fill", Tint::green, "Up to date",
         "\u20681.2\u2069 is current. The newest version the source lists is ?."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title.toStdString());
        EXPECT_EQ(StatusCardModel::card(row(c.status, c.release, c.phase)),
                  (StatusCardModel::Card{c.symbol, c.tint, c.title, c.message}));
    }
}

TEST(AttemptRowModel, OutcomeDecidesSymbolLineAndLabel) {
    using O = Attempt::Outcome;
    const auto fail = AttemptRowModel::row(Attempt(SourceKind::sparkle, QStringLiteral("https://e.org/cast.xml"),
                                                   std::nullopt, O::fail(QStringLiteral("The feed is empty"))));
    EXPECT_EQ(fail, (AttemptRowModel::Row{"Sparkle", "xmark.circle.fill", Tint::red, std::nullopt,
                                          QStringLiteral("https://e.org/cast.xml"), QStringLiteral("The feed is empty"),
                                          "Sparkle, fail"}));
    const auto skipped = AttemptRowModel::row(
        Attempt(SourceKind::appStore, std::nullopt, std::nullopt, O::skipped(QStringLiteral("No App Store receipt"))));
    EXPECT_EQ(skipped.symbol, QStringLiteral("minus.circle"));
    EXPECT_EQ(skipped.tint, Tint::secondary);
    EXPECT_EQ(skipped.line, QStringLiteral("No App Store receipt"));
    EXPECT_EQ(skipped.accessibility, QStringLiteral("Mac App Store, skipped"));
    const auto pass =
        AttemptRowModel::row(Attempt(SourceKind::homebrew, std::nullopt, QStringLiteral("2.4.1"), O::pass()));
    EXPECT_EQ(pass.symbol, QStringLiteral("checkmark.circle.fill"));
    EXPECT_EQ(pass.tint, Tint::green);
    EXPECT_FALSE(pass.line);
    EXPECT_EQ(pass.accessibility, QStringLiteral("Homebrew cask, pass, found \u20682.4.1\u2069"));
}
