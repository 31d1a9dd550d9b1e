#include "RunSync.h"

#include "platform/desktop/DesktopNotifier.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

QByteArray dunstctl(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("dunstctl"), arguments);
    process.waitForFinished(10'000);
    return process.readAllStandardOutput().trimmed();
}

} // namespace

// Without a server, or without a bus, nothing is authorised and posting is silent.
TEST(DesktopNotifier, NoServerOrNoBusIsNoAnswer) {
    DesktopNotifier nobody(QDBusConnection::sessionBus(), QStringLiteral("org.quenlark.Nobody"));
    EXPECT_FALSE(runSync(nobody.requestAuthorization()));
    runSync(nobody.add(QStringLiteral("updates"), QStringLiteral("t"), QStringLiteral("b")));
    EXPECT_EQ(nobody.serverId(QStringLiteral("updates")), 0u);

    DesktopNotifier unconnected(QDBusConnection(QStringLiteral("quenlark-no-bus")), DesktopNotifier::serverName);
    EXPECT_FALSE(runSync(unconnected.requestAuthorization()));
    runSync(unconnected.add(QStringLiteral("updates"), QStringLiteral("t"), QStringLiteral("b")));
}

class DesktopNotifierServer : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("QUENLARK_NOTIFICATION_SERVER"))
            GTEST_SKIP() << "needs tests/support/with-dunst";
    }
};

// A newer "updates" notification replaces the one on screen: one is shown, and once closed the
// server's history holds only the newer one, under the same id.
TEST_F(DesktopNotifierServer, ANewerUpdatesNotificationReplacesTheOneShown) {
    DesktopNotifier notifier;
    ASSERT_TRUE(runSync(notifier.requestAuthorization()));
    runSync(notifier.add(QStringLiteral("updates"), QStringLiteral("Alpha has an update"),
                         QStringLiteral("Open Quenlark to install it.")));
    const uint first = notifier.serverId(QStringLiteral("updates"));
    ASSERT_NE(first, 0u);
    runSync(notifier.add(QStringLiteral("updates"), QStringLiteral("2 app updates available"),
                         QStringLiteral("Alpha, Beta")));
    EXPECT_EQ(notifier.serverId(QStringLiteral("updates")), first);
    ASSERT_TRUE(waitUntil([] { return dunstctl({QStringLiteral("count"), QStringLiteral("displayed")}) == "1"; }));
    EXPECT_EQ(dunstctl({QStringLiteral("count"), QStringLiteral("waiting")}), "0");

    dunstctl({QStringLiteral("close-all")});
    ASSERT_TRUE(waitUntil([] { return dunstctl({QStringLiteral("count"), QStringLiteral("history")}) == "1"; }));
    const auto history = QJsonDocument::fromJson(dunstctl({QStringLiteral("history")}));
    const QJsonObject shown = history[QStringLiteral("data")][0][0].toObject();
    EXPECT_EQ(shown[QStringLiteral("summary")][QStringLiteral("data")].toString(),
              QStringLiteral("2 app updates available"));
    EXPECT_EQ(shown[QStringLiteral("body")][QStringLiteral("data")].toString(), QStringLiteral("Alpha, Beta"));
    EXPECT_EQ(shown[QStringLiteral("appname")][QStringLiteral("data")].toString(), QStringLiteral("Quenlark"));
    EXPECT_EQ(static_cast<uint>(shown[QStringLiteral("id")][QStringLiteral("data")].toInt()), first);
}

// The server reads markup in bodies: names that look like markup reach it escaped, as text.
TEST_F(DesktopNotifierServer, NamesInTheBodyAreNeverReadAsMarkup) {
    const QByteArray before = dunstctl({QStringLiteral("count"), QStringLiteral("history")});
    DesktopNotifier notifier;
    runSync(notifier.add(QStringLiteral("updates"), QStringLiteral("2 app updates available"),
                         QStringLiteral("Mail & Calendar, <b>Loud</b>")));
    ASSERT_NE(notifier.serverId(QStringLiteral("updates")), 0u);
    dunstctl({QStringLiteral("close-all")});
    ASSERT_TRUE(waitUntil([&] { return dunstctl({QStringLiteral("count"), QStringLiteral("history")}) != before; }));
    const auto history = QJsonDocument::fromJson(dunstctl({QStringLiteral("history")}));
    EXPECT_EQ(history[QStringLiteral("data")][0][0][QStringLiteral("body")][QStringLiteral("data")].toString(),
              QStringLiteral("Mail &amp; Calendar, &lt;b&gt;Loud&lt;/b&gt;"));
}
