#include "Desktop.h"

#include "app/AppShell.h"
#include "app/Commands.h"
#include "app/MainWindow.h"
#include "runtime/Spawn.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QScreen>

#include <set>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

// How many colours `window` shows on the screen once it has painted (an unpainted one is one).
int coloursOnScreen(QWidget* window) {
    auto count = [window] {
        const QImage picture = QGuiApplication::primaryScreen()->grabWindow(window->winId()).toImage();
        std::set<QRgb> seen;
        for (int y = 0; y < picture.height(); y += 2)
            for (int x = 0; x < picture.width(); x += 2)
                seen.insert(picture.pixel(x, y));
        return int(seen.size());
    };
    Desktop::waitUntil([&] { return count() > 8; }, 5s);
    return count();
}

} // namespace

// An alert shows its text on the screen under a window manager, as a sheet of the main window
// and, with the window closed, on its own.
TEST(Alert, PaintsOverTheMainWindowAndAlone) {
    AppShell shell({});
    shell.applyAppearance(true, false);
    for (const bool withWindow : {true, false}) {
        MainWindow main({});
        if (withWindow) {
            main.show();
            ASSERT_TRUE(Desktop::waitUntil([&] { return main.isVisible(); }, 5s));
            Desktop::waitUntil([] { return false; }, 500ms);
        }
        spawn(shell.alert(u"Couldn't remove Lumen"_s, u"The app is in use."_s), "alert");
        QMessageBox* box = nullptr;
        ASSERT_TRUE(Desktop::waitUntil(
            [&] {
                box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                return box && box->isVisible();
            },
            5s));
        Desktop::waitUntil([] { return false; }, 1000ms);
        EXPECT_GT(coloursOnScreen(box), 8) << withWindow;
        box->accept();
        Desktop::waitUntil([] { return false; }, 200ms);
    }
}
