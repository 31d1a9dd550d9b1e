// The tray item against a real tray host: trayer on the X server the tests run on.
#include "platform/gui/SystemTray.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <memory>

namespace {

template <typename Pred>
bool waitFor(Pred pred, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!pred() && timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return pred();
}

class TrayHost : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X server (run under xvfb-run)";
        if (QStandardPaths::findExecutable(QStringLiteral("trayer")).isEmpty())
            GTEST_SKIP() << "needs trayer";
        host_.start(QStringLiteral("trayer"),
                    {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"), QStringLiteral("left"),
                     QStringLiteral("--widthtype"), QStringLiteral("request"), QStringLiteral("--height"),
                     QStringLiteral("32")});
        ASSERT_TRUE(host_.waitForStarted(5000));
        ASSERT_TRUE(waitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); })) << "trayer took no tray";
    }
    void TearDown() override {
        if (host_.state() != QProcess::NotRunning) {
            host_.terminate();
            host_.waitForFinished(3000);
        }
    }

    QProcess host_;
};

QIcon solid(QColor colour) {
    QPixmap pixmap(22, 22);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

} // namespace

TEST_F(TrayHost, EmbedsTheItemWithItsTipClickAndMenu) {
    auto tray = std::make_unique<SystemTray>();
    tray->setIcon(solid(Qt::red));
    tray->setToolTip(QStringLiteral("Quenlark: 2 updates"));
    int builds = 0;
    QStringList ran;
    tray->setMenu([&] {
        ++builds;
        return QList<Tray::Entry>{
            {QStringLiteral("Open Quenlark"), {}, [&] { ran << QStringLiteral("open"); }},
            {QStringLiteral("Check Now"), {}, [&] { ran << QStringLiteral("check"); }},
            Tray::Entry::separator(),
            {QStringLiteral("Quit Quenlark"), QKeySequence(Qt::CTRL | Qt::Key_Q),
             [&] { ran << QStringLiteral("quit"); }},
        };
    });
    ASSERT_TRUE(waitFor([&] { return tray->geometry().isValid() && !tray->geometry().isEmpty(); }))
        << "the host never embedded the item";
    QSystemTrayIcon* icon = tray->findChild<QSystemTrayIcon*>();
    ASSERT_TRUE(icon);
    EXPECT_TRUE(icon->isVisible());
    EXPECT_EQ(icon->toolTip(), QStringLiteral("Quenlark: 2 updates"));

    // The host reports clicks as activations: only the plain one is the item's left click.
    int clicks = 0;
    QObject::connect(tray.get(), &Tray::clicked, [&] { ++clicks; });
    for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::Context, QSystemTrayIcon::DoubleClick,
                        QSystemTrayIcon::MiddleClick})
        Q_EMIT icon->activated(reason);
    EXPECT_EQ(clicks, 1);

    // Opening the menu builds it afresh; choosing an entry runs it.
    const int before = builds;
    tray->menu().popup(tray->geometry().bottomLeft());
    ASSERT_TRUE(waitFor([&] { return tray->menu().isVisible(); }));
    EXPECT_EQ(builds, before + 1);
    QStringList titles;
    for (QAction* action : tray->menu().actions())
        titles << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Open Quenlark"), QStringLiteral("Check Now"), QStringLiteral("-"),
                                   QStringLiteral("Quit Quenlark")}));
    tray->menu().actions().at(1)->trigger();
    EXPECT_EQ(ran, QStringList{QStringLiteral("check")});
    tray->menu().hide();

    // Gone with the object.
    tray.reset();
    EXPECT_TRUE(waitFor([] { return true; }, 100));
}
