#include "platform/desktop/DesktopSettings.h"

#include "RunSync.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>

namespace {

using Groups = QMap<QString, QVariantMap>;

// A settings portal on the test's own session bus.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    Groups groups;

public Q_SLOTS:
    Groups ReadAll(const QStringList& wanted) {
        Groups out;
        for (const auto& group : wanted)
            if (groups.contains(group))
                out.insert(group, groups.value(group));
        return out;
    }
};

// A portal that answers ReadAll with whatever reply it is given.
class OddPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    QVariant answer;

public Q_SLOTS:
    void ReadAll(const QStringList&, const QDBusMessage& message) {
        message.setDelayedReply(true);
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "odd-portal").send(message.createReply(answer));
    }
};

} // namespace

TEST(DesktopSettings, TakesThePortalsSettings) {
    struct Case {
        QString group, key;
        QVariant value;
        bool reduce, dark;
    };
    const QString appearance = "org.freedesktop.appearance", gnome = "org.gnome.desktop.interface",
                  kde = "org.kde.kdeglobals.KDE";
    const Case cases[] = {
        {appearance, "color-scheme", 1u, false, true},
        {appearance, "color-scheme", 2u, false, false},
        {appearance, "color-scheme", QVariant::fromValue(QDBusVariant(QVariant(1u))), false, true},
        {gnome, "enable-animations", false, true, false},
        {kde, "AnimationDurationFactor", "0", true, false},
        {kde, "AnimationDurationFactor", 0.5, false, false},
        {gnome, "gtk-theme", "Adwaita-dark", false, false},
    };
    for (const auto& c : cases) {
        DesktopSettings settings;
        settings.apply(c.group, c.key, c.value);
        EXPECT_EQ(settings.reduceMotion(), c.reduce) << c.key.toStdString();
        EXPECT_EQ(settings.dark(), c.dark) << c.key.toStdString();
    }

    DesktopSettings settings; // either desktop asking for less motion is enough
    int changes = 0;
    QObject::connect(&settings, &DesktopSettings::changed, [&] { ++changes; });
    settings.apply(gnome, "enable-animations", false);
    settings.apply(kde, "AnimationDurationFactor", 1.0);
    EXPECT_TRUE(settings.reduceMotion());
    settings.apply(gnome, "enable-animations", true);
    EXPECT_FALSE(settings.reduceMotion());
    EXPECT_EQ(changes, 2);
}

TEST(DesktopSettingsOnTheBus, FollowsThePortal) {
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface()->isServiceRegistered("org.freedesktop.portal.Desktop"))
        GTEST_SKIP() << "needs a private session bus without a portal";
    qDBusRegisterMetaType<Groups>();
    // The portal speaks from a connection of its own, as the real one does.
    auto portalBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-portal");
    FakePortal portal;
    portal.groups["org.freedesktop.appearance"]["color-scheme"] = 1u;
    ASSERT_TRUE(portalBus.registerObject("/org/freedesktop/portal/desktop", &portal, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(portalBus.registerService("org.freedesktop.portal.Desktop"));

    DesktopSettings settings;
    EXPECT_FALSE(settings.dark());
    settings.listen(bus);
    EXPECT_TRUE(waitUntil([&] { return settings.dark(); }));

    auto signal = QDBusMessage::createSignal("/org/freedesktop/portal/desktop", "org.freedesktop.portal.Settings",
                                             "SettingChanged");
    signal << QString("org.gnome.desktop.interface") << QString("enable-animations")
           << QVariant::fromValue(QDBusVariant(false));
    portalBus.send(signal);
    EXPECT_TRUE(waitUntil([&] { return settings.reduceMotion(); }));

    portalBus.unregisterService("org.freedesktop.portal.Desktop");
    portalBus.unregisterObject("/org/freedesktop/portal/desktop");
    QDBusConnection::disconnectFromBus("fake-portal");
}

// A portal answering in the wrong shape is ignored: no crash, nothing taken from it, and what it
// signals later still counts.
TEST(DesktopSettingsOnTheBus, IgnoresRepliesOfTheWrongType) {
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface()->isServiceRegistered("org.freedesktop.portal.Desktop"))
        GTEST_SKIP() << "needs a private session bus without a portal";
    qDBusRegisterMetaType<QMap<QString, QString>>();
    auto portalBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "odd-portal");
    OddPortal portal;
    ASSERT_TRUE(portalBus.registerObject("/org/freedesktop/portal/desktop", &portal, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(portalBus.registerService("org.freedesktop.portal.Desktop"));
    const QVariant answers[] = {
        QVariant::fromValue(QMap<QString, QString>{{"org.freedesktop.appearance", "1"}}),             // a{ss}
        QVariant(QVariantMap{{"org.freedesktop.appearance", QVariant::fromValue(QDBusVariant(1u))}}), // a{sv}
        QVariant::fromValue(QList<int>{1, 2, 3}),                                                     // ai
    };
    for (const QVariant& answer : answers) {
        portal.answer = answer;
        DesktopSettings settings;
        settings.listen(bus);
        waitUntil([] { return false; }, std::chrono::milliseconds(300));
        EXPECT_FALSE(settings.dark()) << answer.typeName();
        auto signal = QDBusMessage::createSignal("/org/freedesktop/portal/desktop", "org.freedesktop.portal.Settings",
                                                 "SettingChanged");
        signal << QString("org.freedesktop.appearance") << QString("color-scheme")
               << QVariant::fromValue(QDBusVariant(1u));
        portalBus.send(signal);
        EXPECT_TRUE(waitUntil([&] { return settings.dark(); })) << answer.typeName();
    }
    portalBus.unregisterService("org.freedesktop.portal.Desktop");
    portalBus.unregisterObject("/org/freedesktop/portal/desktop");
    QDBusConnection::disconnectFromBus("odd-portal");
}

#include "DesktopSettingsTest.moc"
