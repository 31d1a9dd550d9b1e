#include "platform/desktop/SessionWake.h"

#include "RunSync.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>

namespace {

const QString sessionPath = QStringLiteral("/org/freedesktop/login1/session/_32");

// logind's manager as far as finding this process's session goes.
class FakeLogin : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    int asked = 0;

public Q_SLOTS:
    QDBusObjectPath GetSessionByPID(uint) {
        ++asked;
        return QDBusObjectPath(sessionPath);
    }
};

} // namespace

// The test's session bus stands in for the system bus too, where logind speaks.
TEST(SessionWakeOnTheBus, WakesOnResumeUnlockAndTheEndOfTheScreensaver) {
    auto bus = QDBusConnection::sessionBus();
    const QStringList names{"org.freedesktop.login1", "org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver"};
    if (!bus.isConnected())
        GTEST_SKIP() << "needs a private session bus";
    for (const auto& name : names)
        if (bus.interface()->isServiceRegistered(name))
            GTEST_SKIP() << "needs a private session bus without " << name.toStdString();

    // Subscribed before any of the services exists: nothing fails, and signals come once they do.
    SessionWake early;
    int earlyWakes = 0;
    QObject::connect(&early, &SessionWake::woke, [&] { ++earlyWakes; });
    early.listen(bus, bus);

    auto peer = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-session"));
    FakeLogin login;
    ASSERT_TRUE(
        peer.registerObject(QStringLiteral("/org/freedesktop/login1"), &login, QDBusConnection::ExportAllSlots));
    for (const auto& name : names)
        ASSERT_TRUE(peer.registerService(name));

    SessionWake wake;
    int wakes = 0;
    QObject::connect(&wake, &SessionWake::woke, [&] { ++wakes; });
    wake.listen(bus, bus);
    wake.listen(bus, bus);                                    // subscribes once
    ASSERT_TRUE(waitUntil([&] { return login.asked == 1; })); // the early one asked before logind was there
    waitUntil([] { return false; }, std::chrono::milliseconds(200));
    bus.interface()->isServiceRegistered(names.first()); // a round trip: every match rule is in place

    const auto emitSignal = [&](const QString& path, const QString& interface, const QString& name, QVariantList args) {
        auto message = QDBusMessage::createSignal(path, interface, name);
        message.setArguments(args);
        ASSERT_TRUE(peer.send(message));
    };
    const QString manager = "org.freedesktop.login1.Manager", freedesktop = "org.freedesktop.ScreenSaver",
                  gnome = "org.gnome.ScreenSaver";
    emitSignal("/org/freedesktop/login1", manager, "PrepareForSleep", {true});
    emitSignal("/org/freedesktop/login1", manager, "PrepareForSleep", {false}); // 1
    emitSignal("/org/freedesktop/ScreenSaver", freedesktop, "ActiveChanged", {true});
    emitSignal("/org/freedesktop/ScreenSaver", freedesktop, "ActiveChanged", {false});                 // 2
    emitSignal("/org/gnome/ScreenSaver", gnome, "ActiveChanged", {false});                             // 3
    emitSignal("/org/freedesktop/login1/session/_33", "org.freedesktop.login1.Session", "Unlock", {}); // another's
    emitSignal(sessionPath, "org.freedesktop.login1.Session", "Unlock", {});                           // 4
    emitSignal(sessionPath, "org.freedesktop.login1.Session", "Lock", {});
    emitSignal("/org/freedesktop/login1", manager, "PrepareForSleep", {false}); // 5

    EXPECT_TRUE(waitUntil([&] { return wakes >= 5; }));
    waitUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(wakes, 5);
    EXPECT_EQ(earlyWakes, 4); // no session was known to it, so no unlock

    for (const auto& name : names)
        peer.unregisterService(name);
    peer.unregisterObject(QStringLiteral("/org/freedesktop/login1"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-session"));
}

#include "SessionWakeTest.moc"
