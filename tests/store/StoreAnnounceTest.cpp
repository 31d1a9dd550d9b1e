#include "StoreHarness.h"

#include <gtest/gtest.h>

TEST(StoreAnnounce, UpdateKeysNameTheOfferedVersionElseBuildElseAQuestionMark) {
    Release release;
    release.version = QStringLiteral("2.1");
    release.build = QStringLiteral("210");
    EXPECT_EQ(Store::updateKey(QStringLiteral("com.a"), release), QStringLiteral("com.a@2.1"));
    release.version.reset();
    EXPECT_EQ(Store::updateKey(QStringLiteral("com.a"), release), QStringLiteral("com.a@210"));
    release.build.reset();
    EXPECT_EQ(Store::updateKey(QStringLiteral("com.a"), release), QStringLiteral("com.a@?"));
}

TEST(StoreAnnounce, OnlyBackgroundChecksWithNewKeysReachTheNotchOrANotification) {
    struct Case {
        const char* name;
        bool background;
        bool everything;
        NotchMode mode;
        QStringList notifiedBefore;
        QList<NotchTrigger> requests;
        QStringList titles;
        QStringList bodies;
    };
    const QString alpha = QStringLiteral("com.example.alpha@2.0");
    const QString beta = QStringLiteral("com.example.beta@2.0");
    const QList<Case> cases{
        {"user check records only", false, false, NotchMode::never, {}, {}, {}, {}},
        {"background, notch on", true, false, NotchMode::smart, {}, {NotchTrigger::check}, {}, {}},
        {"background, nothing new", true, false, NotchMode::never, {alpha, beta}, {}, {}, {}},
        {"background, one new, notch off",
         true,
         false,
         NotchMode::never,
         {alpha},
         {},
         {QStringLiteral("\u2068Beta\u2069 has an update")},
         {QStringLiteral("Open Quenlark to install it.")}},
        {"background, two new, notch off",
         true,
         false,
         NotchMode::never,
         {},
         {},
         {QStringLiteral("2 app updates available")},
         {QStringLiteral("\u2068Alpha\u2069, \u2068Beta\u2069")}},
        {"login start, all known, notch on",
         true,
         true,
         NotchMode::daily,
         {alpha, beta},
         {NotchTrigger::login},
         {},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StoreHarness h;
        h.prefs->setNotchMode(c.mode);
        h.prefs->setNotified(c.notifiedBefore + QStringList{QStringLiteral("com.gone@1")});
        const InstalledApp current = StoreHarness::app(QStringLiteral("Current"), QStringLiteral("3.0"));
        h.apps = {StoreHarness::app(QStringLiteral("Alpha")), StoreHarness::app(QStringLiteral("Beta")), current};
        h.offer(h.apps[0], StoreHarness::release(QStringLiteral("2.0")));
        h.offer(h.apps[1], StoreHarness::release(QStringLiteral("2.0")));
        h.offer(current, StoreHarness::release(QStringLiteral("3.0")));
        Store& s = h.build();
        EXPECT_TRUE(h.settle(h.start(s.refresh({.background = c.background, .everything = c.everything}))));
        EXPECT_EQ(h.prefs->notified(), (QStringList{alpha, beta}));
        EXPECT_EQ(h.notchRequests, c.requests);
        QStringList titles, bodies;
        for (const auto& p : h.posted) {
            EXPECT_EQ(p.identifier, QStringLiteral("updates"));
            titles << p.title;
            bodies << p.body;
        }
        EXPECT_EQ(titles, c.titles);
        EXPECT_EQ(bodies, c.bodies);
    }
}

TEST(StoreAnnounce, NoNotificationUnderTheSandboxOrWithoutPermission) {
    StoreHarness h;
    h.apps = {StoreHarness::app(QStringLiteral("Alpha"))};
    h.offer(h.apps[0], StoreHarness::release(QStringLiteral("2.0")));
    h.options.sandbox = h.dir.filePath(QStringLiteral("Applications"));
    Store& sandboxed = h.build();
    EXPECT_TRUE(h.settle(h.start(sandboxed.refresh())));
    EXPECT_TRUE(h.settle(h.start(sandboxed.postNotification())));
    EXPECT_TRUE(h.posted.isEmpty());

    h.options.sandbox.reset();
    h.notificationsGranted = false;
    Store& refused = h.build();
    EXPECT_TRUE(h.settle(h.start(refused.refresh())));
    EXPECT_TRUE(h.settle(h.start(refused.postNotification())));
    EXPECT_TRUE(h.posted.isEmpty());

    h.notificationsGranted = true;
    EXPECT_TRUE(h.settle(h.start(refused.postNotification())));
    ASSERT_EQ(h.posted.size(), 1);
    EXPECT_EQ(h.posted[0].title, QStringLiteral("\u2068Alpha\u2069 has an update"));
}
