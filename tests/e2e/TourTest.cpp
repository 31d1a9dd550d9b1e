#include "DemoLaunch.h"
#include "Desktop.h"

#include "app/MainWindow.h"
#include "onboarding/Tour.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

using Object = Accessibility::Object;

std::optional<Object> find(const QList<Object>& screen, const std::function<bool(const Object&)>& which) {
    for (const Object& object : screen)
        if (which(object))
            return object;
    return std::nullopt;
}

std::optional<Object> named(const QList<Object>& screen, const QString& name, const QString& role = {}) {
    return find(screen, [&](const Object& o) { return o.name == name && (role.isEmpty() || o.role == role); });
}

bool near(const QRect& a, const QRect& b) {
    return std::abs(a.left() - b.left()) <= 1 && std::abs(a.top() - b.top()) <= 1 &&
           std::abs(a.right() - b.right()) <= 1 && std::abs(a.bottom() - b.bottom()) <= 1;
}

struct Running {
    DemoQuenlark& quenlark;
    const Accessibility& accessibility;

    QList<Object> screen() const { return accessibility.showing(quenlark.pid()); }

    // The screen once `ready` holds on it, or the last one read.
    QList<Object> waitFor(const std::function<bool(const QList<Object>&)>& ready, std::chrono::milliseconds limit) {
        QList<Object> now;
        Desktop::waitUntil(
            [&] {
                now = screen();
                return ready(now);
            },
            limit);
        return now;
    }

    QList<Object> atStep(int n) {
        const QString card = u"Tour, step %1 of 8: "_s.arg(n + 1) + Tour::steps().at(n).title;
        return waitFor([&](const QList<Object>& s) { return named(s, card).has_value(); }, 10s);
    }

    // "Take the Tour" from the Help menu of the main window's menu bar; a menu that did not
    // open (the click came before the bar was ready) is tried again.
    bool takeTheTour() {
        for (int attempt = 0; attempt < 3; ++attempt) {
            const auto help =
                named(waitFor([](const QList<Object>& s) { return named(s, u"Help"_s).has_value(); }, 10s), u"Help"_s);
            if (!help || !Desktop::click(help->box.center()))
                continue;
            const auto item =
                named(waitFor([](const QList<Object>& s) { return named(s, u"Take the Tour"_s).has_value(); }, 5s),
                      u"Take the Tour"_s);
            if (item && Desktop::click(item->box.center()))
                return true;
            Desktop::press(u"Escape"_s);
        }
        return false;
    }
};

// The element under the hole: the hole is its rectangle grown by 8 on every side.
std::optional<Object> underHole(const QList<Object>& screen, const Object& hole, QMargins inset = {}) {
    return find(screen, [&](const Object& o) {
        return &o != &hole && o.name != hole.name && near(o.box.marginsRemoved(inset) + QMargins(8, 8, 8, 8), hole.box);
    });
}

} // namespace

// The tour from the Help menu over the demo's dashboard: each step's card comes up, the hole
// stands exactly around the element the step names, the notch step drops the preview island
// while updates exist, the menu-bar step shows its illustration, Return goes on and Escape on
// the last step ends the tour for good. Closing the window mid-tour ends the tour too.
TEST(Tour, FromTheHelpMenuThroughEveryStepOverTheDashboard) {
    DemoLaunch launch;
    ASSERT_TRUE(launch.start(DemoLaunch::Start().exposed().afterFirstCheck()));
    if (!launch.accessibility())
        GTEST_SKIP() << "no accessibility bus";
    DemoQuenlark& quenlark = launch.quenlark();
    const WId main = launch.window();
    ASSERT_TRUE(Desktop::activate(main));
    Running app{quenlark, *launch.accessibility()};
    ASSERT_TRUE(app.takeTheTour()) << quenlark.text();

    for (int n = 0; n < 8; ++n) {
        SCOPED_TRACE(n);
        const Tour::Step& step = Tour::steps().at(n);
        QList<Object> screen = app.atStep(n);
        ASSERT_TRUE(named(screen, u"Tour, step %1 of 8: "_s.arg(n + 1) + step.title)) << "the card of step " << n;
        EXPECT_TRUE(Desktop::screenshot(main, QStringLiteral(QUENLARK_SCREENS "/e2e-tour-%1.png").arg(n), 3s));
        screen = app.screen();
        const auto hole = named(screen, step.title, u"push button"_s);
        if (step.anchor == u"notch"_s || step.anchor == u"menuBar"_s) {
            EXPECT_FALSE(hole) << "no element carries " << step.anchor.toStdString();
        } else {
            ASSERT_TRUE(hole) << step.anchor.toStdString();
            const QMargins inset = step.anchor == u"updateAll"_s ? QMargins(10, 10, 10, 10) : QMargins();
            const auto under = underHole(screen, *hole, inset);
            EXPECT_TRUE(under) << step.anchor.toStdString() << ": nothing fits the hole";
            if (step.anchor == u"updateAll"_s) {
                EXPECT_TRUE(under && under->name.startsWith(u"Update All"_s)) << under->name.toStdString();
            }
            if (step.anchor == u"library"_s) {
                EXPECT_TRUE(under && under->name.startsWith(u"Library"_s)) << under->name.toStdString();
            }
            if (step.anchor == u"chips"_s) {
                EXPECT_TRUE(find(screen, [&](const Object& o) {
                    return o.name.startsWith(u"All Apps"_s) && hole->box.contains(o.box);
                }));
                EXPECT_TRUE(find(screen, [&](const Object& o) {
                    return o.name.startsWith(u"Library"_s) && hole->box.contains(o.box);
                }));
            }
            if (step.anchor == u"hero"_s) {
                EXPECT_TRUE(find(screen, [&](const Object& o) {
                    return o.name.startsWith(u"Update All"_s) && hole->box.contains(o.box);
                }));
            }
        }
        if (step.notch) {
            EXPECT_TRUE(find(screen, [](const Object& o) { return o.name.startsWith(u"Tour preview"_s); }))
                << "the preview island";
        }
        if (step.menuBar) {
            EXPECT_TRUE(
                find(screen, [](const Object& o) { return o.name.startsWith(u"Illustration: the Quenlark icon"_s); }));
        }
        if (n == 3) {
            // The preview folds away once the notch step is left.
            EXPECT_FALSE(find(screen, [](const Object& o) { return o.name.startsWith(u"Tour preview"_s); }));
        }
        if (n < 7) {
            ASSERT_TRUE(Desktop::press(u"Return"_s));
        }
    }
    ASSERT_TRUE(Desktop::press(u"Escape"_s));
    const QString last = u"Tour, step 8 of 8: "_s + Tour::steps().at(7).title;
    app.waitFor([&](const QList<Object>& s) { return !named(s, last); }, 10s);
    EXPECT_FALSE(named(app.screen(), last)) << "Escape ends the tour";
    EXPECT_TRUE(Desktop::waitUntil([&] { return launch.stored(u"toured"_s).toBool(); }, 10s));

    // Again, and the window closed on step 0: the tour ends rather than run unseen.
    ASSERT_TRUE(Desktop::activate(main));
    ASSERT_TRUE(app.takeTheTour());
    ASSERT_TRUE(named(app.atStep(0), u"Tour, step 1 of 8: "_s + Tour::steps().at(0).title));
    ASSERT_TRUE(Desktop::close(main));
    ASSERT_TRUE(Desktop::waitUntil([&] { return !Desktop::waitForWindow(MainWindow::title, 100ms); }, 10s));
    ASSERT_TRUE(quenlark.launchAgain(20s)) << "a reopen";
    const auto back = Desktop::waitForWindow(MainWindow::title, 20s);
    ASSERT_TRUE(back);
    Desktop::waitUntil([] { return false; }, 1s);
    EXPECT_FALSE(find(app.screen(), [](const Object& o) { return o.name.startsWith(u"Tour, step"_s); }))
        << "the tour ended with the window";
    EXPECT_TRUE(quenlark.running()) << quenlark.text();
}
