#include "Desktop.h"
#include "TestEnvironment.h"

#include "app/MainWindow.h"
#include "onboarding/ui/SetupWindow.h"
#include "onboarding/ui/WelcomeWindow.h"
#include "platform/archives/TreeCopy.h"
#include "platform/desktop/LoginItem.h"
#include "platform/system/Defaults.h"
#include "platform/system/Processes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>

#include <optional>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

// Ends every copy of the application that runs from `bundle`, ours or not (a relaunched copy is
// nobody's child).
void endCopiesOf(const QString& bundle) {
    for (const Processes::RunningApp& app : Processes::running(bundle))
        Processes::terminate(app.pid);
    Desktop::waitUntil([&] { return Processes::running(bundle).isEmpty(); }, 10s);
}

// The application started from `bundle` as a person starts it, without arguments; every copy
// from there ends with it.
class Launched {
public:
    explicit Launched(QString bundle) : bundle_(std::move(bundle)) {
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.start(bundle_ + u"/Contents/MacOS/quenlark"_s);
    }
    ~Launched() {
        process_.terminate();
        process_.waitForFinished(10000);
        endCopiesOf(bundle_);
    }
    QProcess& process() { return process_; }

private:
    QString bundle_;
    QProcess process_;
};

} // namespace

// A first launch from outside Applications with a fresh home: the setup window offers the move,
// Move puts the bundle into the home's Applications and the moved copy starts while the first
// one ends; the moved copy asks about the login item, whose answer writes the autostart entry;
// a later launch shows none of it.
TEST(FirstRun, TheSetupWindowMovesTheAppAndAsksAboutLoginOnlyOnce) {
    const QString home = QDir::homePath();
    const QString downloaded = home + u"/Downloads/Quenlark.app"_s;
    const QString moved = home + u"/Applications/Quenlark.app"_s;
    TreeCopy::copy(QStringLiteral(QUENLARK_BUNDLE), downloaded);
    // Past the welcome window already, as a relaunch carries no arguments.
    Defaults::standard()->set(u"onboarded"_s, true);

    Launched downloadedCopy(downloaded);
    QProcess& first = downloadedCopy.process();
    auto window = Desktop::waitForWindow(SetupWindow::title, 30s);
    ASSERT_TRUE(window);
    // The main window opens over it a moment later; the user brings it forward.
    ASSERT_TRUE(Desktop::waitForWindow(MainWindow::title, 30s));
    ASSERT_TRUE(Desktop::activate(*window));
    EXPECT_TRUE(Desktop::screenshot(*window, QStringLiteral(QUENLARK_SCREENS "/e2e-setup-move.png")));
    ASSERT_TRUE(Desktop::press(u"Return"_s)) << "Move to Applications";

    EXPECT_TRUE(first.waitForFinished(30000)) << "the first copy ends";
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_TRUE(QFile::exists(moved + u"/Contents/MacOS/quenlark"_s));
    EXPECT_FALSE(QFile::exists(downloaded)) << "the launched copy went to the Trash";

    // The moved copy comes up by itself and asks the next question.
    ASSERT_TRUE(Desktop::waitUntil([&] { return !Processes::running(moved).isEmpty(); }, 20s));
    window = Desktop::waitForWindow(SetupWindow::title, 30s);
    ASSERT_TRUE(window);
    ASSERT_TRUE(Desktop::waitForWindow(MainWindow::title, 30s));
    ASSERT_TRUE(Desktop::activate(*window));
    EXPECT_TRUE(Desktop::screenshot(*window, QStringLiteral(QUENLARK_SCREENS "/e2e-setup-login.png")));
    ASSERT_TRUE(Desktop::press(u"Return"_s)) << "Open at login";
    const QString entry = LoginItem::standardEntry();
    ASSERT_TRUE(Desktop::waitUntil([&] { return QFile::exists(entry); }, 10s));
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Exec=" + (moved + u"/Contents/MacOS/quenlark --background"_s).toUtf8()));
    EXPECT_TRUE(Desktop::screenshot(*window, QStringLiteral(QUENLARK_SCREENS "/e2e-setup-done.png")));
    ASSERT_TRUE(Desktop::press(u"Return"_s)) << "Done";
    EXPECT_TRUE(Desktop::waitUntil([&] { return !Desktop::waitForWindow(SetupWindow::title, 100ms); }, 10s));
    endCopiesOf(moved);

    // Again from Applications, with the question answered: straight to the main window.
    Launched again(moved);
    EXPECT_TRUE(Desktop::waitForWindow(MainWindow::title, 30s));
    EXPECT_FALSE(Desktop::waitForWindow(SetupWindow::title, 3s));
}

// A first launch from Applications with a fresh home: the welcome window pages with the arrow
// keys, Escape skips it and the main window opens; a later launch shows neither the welcome
// nor the setup window, since skipping answered both questions.
TEST(FirstRun, TheWelcomeWindowPagesWithTheArrowsAndEscapeSkipsItOnce) {
    const QString installed = QDir::homePath() + u"/Applications/Quenlark.app"_s;
    TreeCopy::copy(QStringLiteral(QUENLARK_BUNDLE), installed);

    std::optional<Launched> first(std::in_place, installed);
    ASSERT_TRUE(Desktop::waitForWindow(MainWindow::title, 30s));
    auto window = Desktop::waitForWindow(WelcomeWindow::title, 30s);
    ASSERT_TRUE(window);
    ASSERT_TRUE(Desktop::activate(*window));
    const char* pages[] = {"hero", "sources", "safety", "notch", "setup"};
    for (int page = 0; page < 5; ++page) {
        EXPECT_TRUE(Desktop::screenshot(
            *window, QStringLiteral(QUENLARK_SCREENS "/e2e-welcome-") + QString::fromLatin1(pages[page]) + u".png"_s,
            3s));
        ASSERT_TRUE(Desktop::press(u"Right"_s));
    }
    // No Skip on the last page: Escape does nothing there.
    ASSERT_TRUE(Desktop::press(u"Escape"_s));
    Desktop::waitUntil([] { return false; }, 500ms);
    EXPECT_TRUE(Desktop::waitForWindow(WelcomeWindow::title, 1s));
    ASSERT_TRUE(Desktop::press(u"Left"_s));
    Desktop::waitUntil([] { return false; }, 800ms);
    ASSERT_TRUE(Desktop::press(u"Escape"_s));
    EXPECT_TRUE(Desktop::waitUntil([] { return !Desktop::waitForWindow(WelcomeWindow::title, 100ms); }, 10s))
        << "Escape skips the introduction";
    first.reset();

    Launched again(installed);
    EXPECT_TRUE(Desktop::waitForWindow(MainWindow::title, 30s));
    EXPECT_FALSE(Desktop::waitForWindow(WelcomeWindow::title, 3s));
}
