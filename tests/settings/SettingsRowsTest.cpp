#include "SampleSession.h"
#include "StoreHarness.h"

#include "runtime/MakeShared.h"
#include "runtime/OutsideText.h"
#include "settings/SettingsRows.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using SettingsRows::Label;
using SettingsRows::Tone;
using AM = Permissions::State;
using NS = Permissions::AuthorizationStatus;

TEST(SettingsRows, PermissionLabelsAndTheirColours) {
    struct Case {
        Label got, want;
    };
    const QList<Case> cases{
        {SettingsRows::appManagement(AM::granted), {u"On"_s, Tone::green}},
        {SettingsRows::appManagement(AM::denied), {u"Off"_s, Tone::orange}},
        {SettingsRows::appManagement(AM::unknown), {u"Unknown"_s, Tone::orange}},
        {SettingsRows::notifications(NS::authorized, NotchMode::never), {u"On"_s, Tone::secondary}},
        {SettingsRows::notifications(NS::authorized, NotchMode::smart), {u"On"_s, Tone::secondary}},
        {SettingsRows::notifications(NS::notDetermined, NotchMode::never), {u"Not asked"_s, Tone::orange}},
        {SettingsRows::notifications(NS::notDetermined, NotchMode::daily), {u"Not asked"_s, Tone::secondary}},
        {SettingsRows::notifications(NS::denied, NotchMode::never), {u"Off"_s, Tone::orange}},
        {SettingsRows::notifications(NS::denied, NotchMode::login), {u"Off"_s, Tone::secondary}},
        {SettingsRows::notifications(NS::provisional, NotchMode::never), {u"Off"_s, Tone::orange}},
        {SettingsRows::notifications(NS::ephemeral, NotchMode::smart), {u"Off"_s, Tone::secondary}},
    };
    for (qsizetype i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(cases[i].got, cases[i].want);
    }
    EXPECT_EQ(SettingsRows::notificationsFooter(NotchMode::never), u"Needed for background update alerts."_s);
    for (const NotchMode mode : {NotchMode::smart, NotchMode::daily, NotchMode::login})
        EXPECT_EQ(SettingsRows::notificationsFooter(mode), u"Not needed while updates show from the notch."_s);
}

TEST(SettingsRows, IgnoredAppsInStoredOrderThenSkippedVersionsByBundleID) {
    StoreHarness h;
    h.apps = {StoreHarness::app(u"Zed"_s), StoreHarness::app(u"Alpha"_s)};
    Store& store = h.build();
    store.setItems({makeShared<AppItem>(h.apps[0]), makeShared<AppItem>(h.apps[1])});
    struct Case {
        const char* name;
        QStringList apps;
        QMap<QString, QString> versions;
        QList<SettingsRows::Ignored> rows;
    };
    const QString zed = u"com.example.zed"_s, alpha = u"com.example.alpha"_s;
    const QList<Case> cases{
        {"nothing", {}, {}, {}},
        {"both choices for one app, two rows",
         {zed},
         {{zed, u"2.0"_s}},
         {{zed, u"Zed"_s, u"All versions"_s}, {zed, u"Zed"_s, u"Version 2.0"_s}}},
        {"stored order, not by name",
         {zed, alpha},
         {},
         {{zed, u"Zed"_s, u"All versions"_s}, {alpha, u"Alpha"_s, u"All versions"_s}}},
        {"skipped by id, upper case first; unknown ids by id",
         {},
         {{u"com.example.alpha"_s, u"3"_s}, {u"Com.Gone"_s, u"1.1"_s}},
         {{u"Com.Gone"_s, u"Com.Gone"_s, u"Version 1.1"_s}, {alpha, u"Alpha"_s, u"Version 3"_s}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SettingsRows::ignored(c.apps, c.versions, store.items()), c.rows);
    }
}

TEST(SettingsRows, TheSignedInAccount) {
    Session google = sampleSession(u"google.com"_s, true);
    google.name = u"Ada Lovelace"_s;
    EXPECT_EQ(SettingsRows::signedInAs(google), OutsideText::isolated(u"Ada Lovelace"_s) + u" ("_s +
                                                    OutsideText::isolated(u"ada@example.com"_s) + u")"_s);
    EXPECT_FALSE(SettingsRows::showsEmailRow(google));

    const Session unknown = sampleSession(u"password"_s, std::nullopt);
    EXPECT_EQ(SettingsRows::signedInAs(unknown), u"ada@example.com"_s);
    EXPECT_TRUE(SettingsRows::showsEmailRow(unknown));
    EXPECT_FALSE(SettingsRows::emailConfirmed(unknown));
    EXPECT_FALSE(SettingsRows::emailConfirmed(sampleSession(u"password"_s, false)));
    EXPECT_TRUE(SettingsRows::emailConfirmed(sampleSession(u"password"_s, true)));

    EXPECT_EQ(SettingsRows::resendTitle(60), u"Resend in 60s"_s);
    EXPECT_EQ(SettingsRows::resendTitle(1), u"Resend in 1s"_s);
    EXPECT_EQ(SettingsRows::resendTitle(0), u"Resend Link"_s);
}
