#include "RowSamples.h"
#include "views/cards/AppCardModel.h"
#include "views/cards/VersionPillModel.h"

#include <gtest/gtest.h>

using namespace RowSamples;
using A = RowAction::Kind;

TEST(AppCardModel, DetailLineJoinsWhatIsKnown) {
    auto apple = row(Status::upToDate(), std::nullopt);
    apple.app.bundleID = QStringLiteral("com.apple.Safari");
    apple.app.team.reset();
    auto unsignedApp = row(Status::upToDate(), std::nullopt);
    unsignedApp.app.team.reset();
    auto full = row(Status::update(), release(SourceKind::sparkle));
    full.app.build = QStringLiteral("512");
    EXPECT_EQ(AppCardModel::detail(apple), QStringLiteral("\u2068com.apple.Safari\u2069  ·  Apple"));
    EXPECT_EQ(AppCardModel::detail(unsignedApp), QStringLiteral("\u2068org.example.app\u2069  ·  No Team ID"));
    EXPECT_EQ(
        AppCardModel::detail(full),
        QStringLiteral("\u2068org.example.app\u2069  ·  Sparkle  ·  Build \u2068512\u2069  ·  \u2068ABCDE12345\u2069"));
}

TEST(AppCardModel, SpokenSummaryByPhaseThenStatus) {
    struct Case {
        InstallPhase phase;
        Status status;
        std::optional<Release> release;
        QString suffix;
    };
    const Case cases[] = {
        {InstallPhase::downloading(0.999), Status::update(), release(SourceKind::sparkle), ", downloading, 99 percent"},
        {InstallPhase::failed("It broke."), Status::update(), release(SourceKind::sparkle),
         ", update failed: It broke."},
        {InstallPhase::queued(), Status::update(), release(SourceKind::sparkle), ", queued for update"},
        {InstallPhase::verifying(), Status::update(), release(SourceKind::sparkle), ", verifying download"},
        {InstallPhase::installing(), Status::update(), release(SourceKind::sparkle), ", installing"},
        {InstallPhase::done(), Status::upToDate(), release(SourceKind::sparkle), ", updated"},
        {InstallPhase::blocked(), Status::update(), release(SourceKind::sparkle),
         ", update blocked: Quenlark needs App Management permission"},
        {InstallPhase::idle(), Status::cantVerify("No feed"), std::nullopt, ", can't verify: No feed"},
        {InstallPhase::idle(), Status::ignored("Skipped 1.3"), std::nullopt, ", Ignored"},
        {InstallPhase::idle(), Status::checking(), std::nullopt, ", Checking"},
        {InstallPhase::idle(), Status::update(), release(SourceKind::sparkle, std::nullopt), ", update available: ?"},
        {InstallPhase::idle(), Status::update(), std::nullopt, ", update available: "},
        {InstallPhase::idle(), Status::upToDate(), std::nullopt, ", Up to date"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AppCardModel::accessibilityText(row(c.status, c.release, c.phase)),
                  QStringLiteral("\u2068Example\u2069, version \u20681.2\u2069") + c.suffix);
    auto unknown = row(Status::upToDate(), std::nullopt);
    unknown.app.version.reset();
    EXPECT_EQ(AppCardModel::accessibilityText(unknown),
              QStringLiteral("\u2068Example\u2069, version unknown, Up to date"));
}

TEST(AppCardModel, NamedActionsOnlyWhereTheyCanRun) {
    const auto labels = [](const RowFacts& r) {
        QStringList list;
        for (const auto& action : AppCardModel::namedActions(r))
            list << action.label;
        return list;
    };
    const QStringList update{QStringLiteral("Update to \u20681.3\u2069")};
    for (const auto& phase : {InstallPhase::idle(), InstallPhase::failed("x"), InstallPhase::blocked()})
        EXPECT_EQ(labels(row(Status::update(), release(SourceKind::sparkle), phase)), update);
    for (const auto& phase : {InstallPhase::queued(), InstallPhase::downloading(0.5), InstallPhase::verifying(),
                              InstallPhase::installing(), InstallPhase::done()})
        EXPECT_TRUE(labels(row(Status::update(), release(SourceKind::sparkle), phase)).isEmpty());
    EXPECT_EQ(labels(row(Status::update(), release(SourceKind::appStore))), QStringList{"Open in App Store"});
    EXPECT_TRUE(labels(row(Status::upToDate(), release(SourceKind::sparkle))).isEmpty());
    EXPECT_EQ(AppCardModel::namedActions(row())[0].action.kind, A::update);
}

TEST(VersionPillModel, ShowsTheLatestWhileOfferedOrUnderWay) {
    struct Case {
        InstallPhase phase;
        Status status;
        bool showsLatest;
    };
    const Case cases[] = {
        {InstallPhase::idle(), Status::update(), true},
        {InstallPhase::idle(), Status::upToDate(), false},
        {InstallPhase::downloading(0.1), Status::upToDate(), true},
        {InstallPhase::queued(), Status::upToDate(), true},
        {InstallPhase::verifying(), Status::upToDate(), true},
        {InstallPhase::installing(), Status::upToDate(), true},
        {InstallPhase::failed("x"), Status::upToDate(), true},
        {InstallPhase::done(), Status::upToDate(), false},
        {InstallPhase::done(), Status::update(), false},
        {InstallPhase::blocked(), Status::upToDate(), false},
        {InstallPhase::blocked(), Status::update(), true},
    };
    for (const auto& c : cases) {
        const auto pill = VersionPillModel::pill(row(c.status, release(SourceKind::sparkle), c.phase));
        EXPECT_EQ(pill.showsLatest, c.showsLatest);
        EXPECT_EQ(pill.latest, c.showsLatest ? std::optional<QString>(QStringLiteral("1.3")) : std::nullopt);
    }
    EXPECT_FALSE(VersionPillModel::pill(row(Status::update(), std::nullopt)).latest);

    auto r = row(Status::update(), release(SourceKind::sparkle, QStringLiteral("12345678901234567")));
    r.app.version = QStringLiteral("1234567890123456");
    r.app.build = QStringLiteral("45");
    const auto pill = VersionPillModel::pill(r);
    EXPECT_EQ(pill.installed, QStringLiteral("1234567890123456"));
    EXPECT_EQ(pill.latest, QStringLiteral("123456789012345…"));
    r.app.version = QStringLiteral("1.2");
    r.release = release(SourceKind::sparkle);
    EXPECT_EQ(VersionPillModel::pill(r).help,
              QStringLiteral("Installed \u20681.2\u2069 (\u206845\u2069), latest \u20681.3\u2069 from Sparkle"));
    r.release.reset();
    r.app.version.reset();
    EXPECT_EQ(VersionPillModel::pill(r).help, QStringLiteral("Installed \u206845\u2069"));
}
