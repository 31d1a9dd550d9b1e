#include "app/MainWindow.h"
#include "app/Windows.h"
#include "model/Motion.h"
#include "notch/ui/FoldCompositor.h"
#include "notch/ui/FoldOverlay.h"
#include "notch/ui/FoldingMainWindow.h"
#include "notch/ui/IslandView.h"
#include "notch/ui/IslandWindow.h"
#include "platform/gui/XcbReply.h"

#include "QuietIsland.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <functional>

namespace {

const QColor content(30, 120, 200);

// The main window with one colour for content, where the fold's picture can be recognised.
class Painted : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), content); }
};

struct Main {
    MainWindow window{{}};
    Main() {
        window.setContent(new Painted);
        window.setGeometry(300, 200, 1120, 780);
        window.show();
        settle(100);
    }
    static void settle(int ms) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(2);
        }
    }
};

// Runs the event loop until `done`, at most three seconds; how long it took.
qint64 until(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 3000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    return timer.elapsed();
}

// Counts the frames a widget paints.
struct Frames : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

QList<FoldOverlay*> overlays() {
    QList<FoldOverlay*> found;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* overlay = qobject_cast<FoldOverlay*>(widget))
            found.append(overlay);
    return found;
}

FoldingMainWindow::Environment environment(bool reduced, bool translucent) {
    FoldingMainWindow::Environment env;
    env.reduceMotion = [reduced] { return reduced; };
    env.translucent = [translucent] { return translucent; };
    return env;
}

class Fold : public ::testing::Test {
protected:
    void SetUp() override { Motion::setInstantForTests(false); }
    void TearDown() override {
        until([] { return overlays().isEmpty(); });
        Motion::setInstantForTests(true);
    }
};

TEST_F(Fold, ClosingFoldsTheWindowIntoTheIslandOnOneOverlay) {
    Main main;
    FoldingMainWindow fold(&main.window, environment(false, true));
    main.window.setCloser([&] { return fold.mayClose(); });
    const QRect window = main.window.geometry();
    const auto screen = FoldingMainWindow::hangingScreen();
    ASSERT_TRUE(screen);
    const QRectF island = IslandMorph::folded(screen->frame, screen->workArea, {}).rect;
    EXPECT_EQ(island.size(), QSizeF(150, 34));
    EXPECT_EQ(island.top(), screen->workArea.top() + 8);

    // The fold's length counts from the close, whatever the checks below cost on a busy machine.
    QElapsedTimer sinceClose;
    sinceClose.start();
    EXPECT_FALSE(main.window.close()); // vetoed: the fold hides it
    EXPECT_TRUE(main.window.isVisible());
    ASSERT_EQ(overlays().size(), 1);
    FoldOverlay* overlay = overlays().first();
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_TRUE(overlay->testAttribute(Qt::WA_TransparentForMouseEvents));
    const QRect area = FoldOverlay::area(window, island);
    EXPECT_EQ(overlay->geometry(), area);
    // Its first frame is the window's picture where the window is.
    const QPoint centre = window.center() - area.topLeft();
    EXPECT_EQ(overlay->grab().toImage().pixelColor(centre), content);
    // Near the end only the black pill is left where the island hangs.
    QImage late(area.size(), QImage::Format_ARGB32_Premultiplied);
    late.fill(Qt::transparent);
    {
        QPainter painter(&late);
        overlay->paint(painter, 0.7);
    }
    EXPECT_EQ(late.pixelColor(island.center().toPoint() - area.topLeft()), QColor(Qt::black));
    EXPECT_EQ(late.pixelColor(centre).alpha(), 0);

    Frames frames;
    overlay->installEventFilter(&frames);
    const double refreshes = overlay->screen()->refreshRate() * IslandMorph::duration;
    bool moved = false;
    double faintest = 1;
    until([&] {
        if (!overlays().isEmpty())
            moved = moved || overlays().first()->geometry() != area;
        if (main.window.isVisible())
            faintest = std::min(faintest, main.window.windowOpacity());
        return !main.window.isVisible() && overlays().isEmpty();
    });
    EXPECT_FALSE(moved) << "the overlay is placed once, never moved or resized per frame";
    // One frame per refresh of the screen, not more.
    EXPECT_GE(frames.count, 8);
    EXPECT_LE(frames.count, refreshes + 4);
    EXPECT_EQ(faintest, 0.0) << "the window is not seen beneath its shrinking picture";
    EXPECT_FALSE(main.window.isVisible());
    EXPECT_TRUE(overlays().isEmpty());
    const qint64 took = sinceClose.elapsed();
    EXPECT_GE(took, 450);
    EXPECT_LT(took, 2000);
    EXPECT_EQ(main.window.windowOpacity(), 1.0);
}

TEST_F(Fold, FadesOrClosesPlainlyWhereNoMorphCanRun) {
    enum class Ends { plainly, fading };
    struct Case {
        const char* what;
        bool reduced, translucent, opening, fullScreen, noScreen;
        Ends ends;
    };
    const Case cases[] = {
        {"reduced motion", true, true, false, false, false, Ends::fading},
        {"no compositor", false, false, false, false, false, Ends::fading},
        {"while the window is brought up", false, true, true, false, false, Ends::plainly},
        {"in full screen", false, true, false, true, false, Ends::plainly},
        {"without a screen", false, true, false, false, true, Ends::plainly},
    };
    for (const Case& c : cases) {
        Main main;
        auto env = environment(c.reduced, c.translucent);
        env.opening = [&] { return c.opening; };
        if (c.noScreen)
            env.hangingScreen = [] { return std::optional<UpdateIsland::Screen>(); };
        FoldingMainWindow fold(&main.window, env);
        main.window.setCloser([&] { return fold.mayClose(); });
        if (c.fullScreen) {
            main.window.showFullScreen();
            Main::settle(50);
        }
        const bool closed = main.window.close();
        EXPECT_TRUE(overlays().isEmpty()) << c.what;
        if (c.ends == Ends::plainly) {
            EXPECT_TRUE(closed) << c.what;
            EXPECT_FALSE(main.window.isVisible()) << c.what;
            continue;
        }
        EXPECT_FALSE(closed) << c.what;
        double faintest = 1;
        const qint64 took = until([&] {
            faintest = std::min(faintest, main.window.windowOpacity());
            return !main.window.isVisible();
        });
        EXPECT_LT(faintest, 1) << c.what;
        EXPECT_GE(took, 150) << c.what;
        EXPECT_LT(took, 1000) << c.what;
        EXPECT_EQ(main.window.windowOpacity(), 1.0) << c.what;
        EXPECT_TRUE(overlays().isEmpty()) << c.what;
    }
}

// Brought up again while it folds (every way of opening it ends in Windows::bringForward), the
// window stays where it was, fully opaque, and the fold's end no longer hides it.
TEST_F(Fold, ReopeningWhileItFoldsKeepsTheWindowUp) {
    struct Case {
        const char* what;
        bool translucent;
        std::function<void(FoldingMainWindow&, QWidget&)> reopen;
    };
    const Case cases[] = {
        {"brought forward, morph", true, [](FoldingMainWindow&, QWidget& w) { Windows::bringForward(&w); }},
        {"brought forward, fade", false, [](FoldingMainWindow&, QWidget& w) { Windows::bringForward(&w); }},
        {"dropped, morph", true, [](FoldingMainWindow& f, QWidget&) { f.drop(); }},
        {"grown out of the island, fade", false,
         [](FoldingMainWindow& f, QWidget&) { f.growFrom(QRectF(700, 8, 520, 300), nullptr, {}); }},
    };
    for (const Case& c : cases) {
        Main main;
        FoldingMainWindow fold(&main.window, environment(false, c.translucent));
        main.window.setCloser([&] { return fold.mayClose(); });
        const QRect where = main.window.geometry();
        EXPECT_FALSE(main.window.close()) << c.what;
        Main::settle(60);
        ASSERT_TRUE(fold.busy()) << c.what;
        c.reopen(fold, main.window);
        EXPECT_FALSE(fold.busy()) << c.what;
        Main::settle(900);
        EXPECT_TRUE(main.window.isVisible()) << c.what;
        EXPECT_EQ(main.window.windowOpacity(), 1.0) << c.what;
        EXPECT_EQ(main.window.geometry(), where) << c.what;
        EXPECT_TRUE(overlays().isEmpty()) << c.what;
    }
}

TEST_F(Fold, ReopeningGrowsTheWindowOutOfTheIsland) {
    Main main;
    main.window.hide();
    FoldingMainWindow fold(&main.window, environment(false, true));
    QWidget island(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    island.setGeometry(650, 0, 620, 560);
    island.show();
    int grown = 0;
    QObject::connect(&fold, &FoldingMainWindow::grown, [&] { ++grown; });

    int done = 0;
    fold.growFrom(QRectF(700, 8, 520, 300), &island, [&] { ++done; });
    EXPECT_TRUE(main.window.isVisible());
    EXPECT_EQ(main.window.windowOpacity(), 0.0); // invisible until the morph ends
    until([] { return !overlays().isEmpty(); });
    ASSERT_EQ(overlays().size(), 1);
    EXPECT_EQ(overlays().first()->morph().a, IslandMorph::expandedIsland(false));
    // The window was pictured while invisible.
    const QPixmap& picture = overlays().first()->morph().picture;
    EXPECT_EQ(picture.toImage().pixelColor(picture.rect().center()), content);
    EXPECT_EQ(done, 0);
    // A second one while growing starts nothing and hears when the first ends.
    fold.growFrom(QRectF(700, 8, 520, 300), &island, [&] { ++done; });
    double islandFaintest = 1;
    until([&] {
        islandFaintest = std::min(islandFaintest, island.windowOpacity());
        return grown > 0 && overlays().isEmpty();
    });
    EXPECT_EQ(grown, 1);
    EXPECT_EQ(done, 2);
    EXPECT_TRUE(main.window.isVisible());
    EXPECT_EQ(main.window.windowOpacity(), 1.0);
    EXPECT_EQ(islandFaintest, 0.0);
    EXPECT_FALSE(island.isVisible());

    // With no island up it grows out of the folded island at the top of the screen.
    main.window.hide();
    fold.drop();
    until([] { return !overlays().isEmpty(); });
    ASSERT_EQ(overlays().size(), 1);
    EXPECT_EQ(overlays().first()->morph().a, IslandMorph::foldedIsland(false));
    until([&] { return grown == 2 && overlays().isEmpty(); });
    EXPECT_TRUE(main.window.isVisible());
}

TEST_F(Fold, AGrowthCutShortByTheWindowGoingStillEndsOnce) {
    for (const bool translucent : {true, false}) {
        auto* window = new QWidget;
        window->setGeometry(300, 200, 800, 600);
        auto* fold = new FoldingMainWindow(window, environment(false, translucent));
        int done = 0;
        fold->growFrom(QRectF(700, 8, 520, 300), nullptr, [&] { ++done; });
        // Half-way: the overlay runs, or the window has begun to fade in.
        until([&] { return !overlays().isEmpty() || window->windowOpacity() > 0.2; });
        EXPECT_EQ(done, 0) << translucent;
        delete window;
        EXPECT_EQ(done, 1) << translucent;
        until([] { return overlays().isEmpty(); });
        Main::settle(100);
        EXPECT_EQ(done, 1) << translucent;
    }
}

// The compositing manager is whoever owns the screen's _NET_WM_CM_S selection.
TEST(FoldCompositor, TheSelectionOwnerIsTheCompositor) {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !x11 || !x11->connection())
        GTEST_SKIP() << "needs an X server";
    xcb_connection_t* c = x11->connection();
    if (FoldCompositor::running(c, 0))
        GTEST_SKIP() << "a compositing manager runs on this display";
    EXPECT_FALSE(FoldCompositor::running());

    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t owner = xcb_generate_id(c);
    xcb_generic_error_t* failed =
        xcb_request_check(c, xcb_create_window_checked(c, XCB_COPY_FROM_PARENT, owner, screen->root, 0, 0, 1, 1, 0,
                                                       XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr));
    EXPECT_FALSE(failed) << (failed ? int(failed->error_code) : 0);
    std::free(failed);
    auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 13, "_NET_WM_CM_S0"), nullptr);
    ASSERT_TRUE(atom);
    xcb_generic_error_t* error =
        xcb_request_check(c, xcb_set_selection_owner_checked(c, owner, atom->atom, XCB_CURRENT_TIME));
    EXPECT_FALSE(error) << (error ? int(error->error_code) : 0);
    std::free(error);
    EXPECT_TRUE(FoldCompositor::running(c, 0));
    EXPECT_TRUE(FoldCompositor::running());
    EXPECT_FALSE(FoldCompositor::running(c, 1));
    xcb_destroy_window(c, owner);
    xcb_flush(c);
    EXPECT_FALSE(FoldCompositor::running(c, 0));
    std::free(atom);
}

} // namespace

// Under openbox and compositors that draw shadows, the island, folded or open, darkens nothing
// beyond its shape and its own soft shadow, and takes the pointer only inside its shape.
TEST(IslandShadow, AShadowingCompositorDarkensNothingOutsideTheDrawnIsland) {
    if (QStandardPaths::findExecutable(QStringLiteral("xcompmgr")).isEmpty())
        GTEST_SKIP() << "xcompmgr is not installed, so no shadowing compositor can be tried.";
    const QRect frame(400, 60, 620, 560);
    Painted beneath;
    beneath.setWindowFlag(Qt::FramelessWindowHint);
    beneath.setGeometry(frame.adjusted(-60, -40, 60, 60));
    beneath.show();
    xcb_connection_t* c = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    for (const char* command : {"xcompmgr -c", "picom --config=/dev/null --backend=xrender --shadow"}) {
        QProcess compositor;
        compositor.startCommand(QString::fromLatin1(command));
        const bool up = compositor.waitForStarted() && until([] { return FoldCompositor::running(); }) < 3000;
        if (!up && command[0] == 'p')
            continue; // picom is not required
        ASSERT_TRUE(up) << command;
        // A compositor that has just taken the screen may still be reading the windows already
        // there; an island made meanwhile can keep the shadow of its whole window.
        Main::settle(500);
        auto state = std::make_shared<IslandState>(QStringList{QStringLiteral("a")}, QSizeF(), false, QDateTime());
        auto island = IslandWindow::open(quietIsland(state, {}), frame);
        for (const bool expanded : {false, true, false}) {
            state->setExpanded(expanded);
            Main::settle(600);
            const auto rects = XcbReply::own(xcb_shape_get_rectangles_reply(
                c, xcb_shape_get_rectangles(c, static_cast<xcb_window_t>(island->winId()), XCB_SHAPE_SK_INPUT),
                nullptr));
            QRegion input;
            for (auto r = xcb_shape_get_rectangles_rectangles_iterator(rects.get()); r.rem; xcb_rectangle_next(&r))
                input += QRect(r.data->x, r.data->y, r.data->width, r.data->height);
            const QRect drawn = island->view()->islandRect().toAlignedRect();
            const int margin = expanded ? 40 : 14; // past the open island's own shadow
            const QPoint outside[] = {{drawn.center().x(), drawn.bottom() + margin},
                                      {drawn.left() - margin, 4},
                                      {20, frame.height() - 20},
                                      {-10, 280},
                                      {310, -10}};
            // Where the screen is not the window beneath (or the island), once the compositor caught up.
            QStringList shaded;
            until([&] {
                const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
                shaded.clear();
                for (const QPoint p : outside)
                    if (screen.pixelColor(frame.topLeft() + p) != content || input.contains(p))
                        shaded.append(QStringLiteral("%1,%2").arg(p.x()).arg(p.y()));
                if (screen.pixelColor(frame.topLeft() + drawn.topLeft() + QPoint(30, 3)) != Qt::black)
                    shaded.append(QStringLiteral("no island"));
                return shaded.isEmpty();
            });
            EXPECT_TRUE(shaded.isEmpty())
                << command << (expanded ? ", open: " : ", folded: ") << shaded.join(u' ').toStdString();
            EXPECT_TRUE(input.contains(drawn.center())) << command << expanded;
        }
        compositor.terminate();
        compositor.waitForFinished();
        until([] { return !FoldCompositor::running(); });
    }
}
