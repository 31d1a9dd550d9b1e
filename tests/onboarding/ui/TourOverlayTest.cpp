#include "RunSync.h"
#include "StoreHarness.h"

#include "model/Motion.h"
#include "onboarding/Tour.h"
#include "onboarding/TourLayout.h"
#include "onboarding/ui/MenuBarDemo.h"
#include "onboarding/ui/TourCard.h"
#include "onboarding/ui/TourOverlay.h"
#include "runtime/MakeShared.h"
#include "views/MainView.h"
#include "views/dashboard/NoticeToast.h"
#include "views/dashboard/SearchField.h"
#include "views/kit/TourAnchors.h"
#include "views/uninstall/UninstallPrompt.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QKeyEvent>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Dashboard {
    StoreHarness h;
    Store* store = &h.build();
    MainView view{*store, *h.prefs, h.clock};

    Dashboard() {
        auto row = makeShared<AppItem>(StoreHarness::app(u"Lumen"_s));
        row->setStatus(Status::update());
        store->setItems({row});
        view.resize(1120, 780);
        view.show();
        view.activateWindow();
        turn();
    }
    void turn() {
        for (int i = 0; i < 4; ++i)
            QApplication::processEvents();
    }
    TourOverlay& overlay() { return *view.tourOverlay(); }
    // A key as the window delivers it: to the widget with the focus, Tab through the focus chain.
    void key(Qt::Key key) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &view;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        turn();
    }
};

} // namespace

// While it shows the tour keeps the keyboard: the search field that had it neither moves its
// cursor on Left nor takes Tab back; Left goes back only from step 1 on, Return goes on, and
// Escape ends the tour and hands the keyboard back.
TEST(TourOverlay, KeepsTheKeyboardWhileItShows) {
    Dashboard d;
    QLineEdit* search = d.view.search()->edit();
    search->setFocus();
    search->setText(u"lum"_s);
    search->setCursorPosition(3);
    d.turn();
    Tour::start(*d.store);
    d.turn();
    ASSERT_TRUE(d.overlay().isVisible());
    EXPECT_TRUE(d.overlay().hasFocus());

    // Of the window's shortcuts only Quit gets through: Ctrl+F leaves the search field beneath.
    int reloads = 0, quits = 0;
    QAction reload(&d.view), quit(&d.view);
    for (auto [action, key, count] : {std::tuple{&reload, Qt::Key_R, &reloads}, {&quit, Qt::Key_Q, &quits}}) {
        action->setShortcut(QKeySequence(Qt::CTRL | key));
        QObject::connect(action, &QAction::triggered, [count] { ++*count; });
        d.view.addAction(action);
    }
    for (const Qt::Key key : {Qt::Key_F, Qt::Key_R, Qt::Key_Q, Qt::Key_X})
        QTest::keyClick(QApplication::focusWidget(), key, key == Qt::Key_X ? Qt::NoModifier : Qt::ControlModifier);
    EXPECT_TRUE(d.overlay().hasFocus());
    EXPECT_EQ(search->text(), u"lum"_s);
    EXPECT_EQ(std::pair(reloads, quits), std::pair(0, 1));

    d.key(Qt::Key_Left);
    EXPECT_EQ(d.store->tourStep(), 0) << "no Back on the first step";
    EXPECT_EQ(search->cursorPosition(), 3) << "the search field never heard it";
    d.key(Qt::Key_Tab);
    EXPECT_TRUE(d.overlay().hasFocus());
    d.key(Qt::Key_Return);
    d.key(Qt::Key_Return);
    EXPECT_EQ(d.store->tourStep(), 2);
    d.key(Qt::Key_Left);
    EXPECT_EQ(d.store->tourStep(), 1);
    EXPECT_EQ(search->cursorPosition(), 3);

    d.key(Qt::Key_Escape);
    EXPECT_EQ(d.store->tourStep(), std::nullopt);
    EXPECT_TRUE(d.h.prefs->toured());
    // The card fades out with the dim.
    QElapsedTimer fading;
    fading.start();
    while (d.overlay().card()->isVisible() && fading.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(d.overlay().card()->isVisible());
    EXPECT_TRUE(search->hasFocus());
}

// A tour started under an uninstall prompt stays beneath it and the toast: the prompt keeps its
// clicks and the keyboard, and the tour has them once the prompt is gone.
TEST(TourOverlay, StaysBeneathThePromptsAndTheToast) {
    Dashboard d;
    d.store->setRemoving(d.store->items().first());
    d.store->setNotice(u"Moved Lumen to the Trash."_s);
    d.turn();
    ModalPrompt* prompt = d.view.uninstallLayer()->prompt();
    ASSERT_NE(prompt, nullptr);
    Tour::start(*d.store);
    d.turn();
    ASSERT_TRUE(d.overlay().isVisible());
    const auto inside = [](QWidget* layer, QWidget* w) { return w && (w == layer || layer->isAncestorOf(w)); };
    EXPECT_TRUE(inside(prompt, d.view.childAt(prompt->card()->geometry().center())));
    EXPECT_TRUE(inside(prompt, QApplication::focusWidget()));
    EXPECT_TRUE(inside(d.view.toast(), d.view.childAt(d.view.toast()->geometry().center())));
    d.store->setRemoving(nullptr);
    EXPECT_TRUE(waitUntil([&] { return d.overlay().hasFocus(); }, std::chrono::seconds(2)));
}

// The menu-bar step's badge counts the updates while it shows, one found meanwhile included.
TEST(TourOverlay, TheMenuBarStepsBadgeFollowsTheUpdates) {
    // The illustration's glow stands still, so that its pictures compare.
    Motion::setInstantForTests(true);
    struct Restore {
        ~Restore() { Motion::setInstantForTests(false); }
    } restore;
    Dashboard d;
    Tour::start(*d.store);
    d.turn();
    const auto& steps = Tour::steps();
    const auto menuBar = std::find_if(steps.begin(), steps.end(), [](const Tour::Step& s) { return s.menuBar; });
    ASSERT_NE(menuBar, steps.end());
    for (auto it = steps.begin(); it != menuBar; ++it)
        d.key(Qt::Key_Return);
    MenuBarDemo* badge = d.overlay().card()->menuBarDemo();
    ASSERT_NE(badge, nullptr);
    EXPECT_EQ(badge->count(), 1);

    QList<std::shared_ptr<AppItem>> rows;
    for (const QString& name : {u"Lumen"_s, u"Tessera"_s}) {
        rows.append(makeShared<AppItem>(StoreHarness::app(name)));
        rows.last()->setStatus(Status::update());
    }
    // Drawn as a new illustration of that count would be (the rounded corners, which show what
    // lies beneath, left out): never an earlier count's badge.
    auto drawnAsNew = [badge] {
        const QRect inner = badge->rect().adjusted(12, 0, -12, 0);
        MenuBarDemo fresh(badge->count(), QGuiApplication::windowIcon());
        const auto picture = [&inner](QWidget& widget) {
            return widget.grab(inner).toImage().convertToFormat(QImage::Format_ARGB32);
        };
        return picture(*badge) == picture(fresh);
    };
    EXPECT_TRUE(drawnAsNew());
    d.store->setItems(rows);
    d.turn();
    EXPECT_EQ(badge->count(), 2);
    EXPECT_TRUE(drawnAsNew());
    rows.last()->setStatus(Status::upToDate());
    d.turn();
    EXPECT_EQ(badge->count(), 1);
    EXPECT_TRUE(drawnAsNew());
}

// The hole stands around the marked element, grown by 8, and follows it; of two widgets marked
// under one name the later mark wins; a click in the hole goes on, on the notch step there is
// no hole, and the card's buttons move the tour.
TEST(TourOverlay, TheHoleFollowsTheMarkedElement) {
    // Every move lands at once: the hole is where the step puts it, not on its way.
    Motion::setInstantForTests(true);
    struct Restore {
        ~Restore() { Motion::setInstantForTests(false); }
    } restore;
    Dashboard d;
    QWidget first(&d.view), second(&d.view);
    first.setGeometry(100, 300, 200, 40);
    second.setGeometry(500, 400, 120, 30);
    first.show();
    second.show();
    TourAnchors::mark(&first, u"hero"_s);
    TourAnchors::mark(&second, u"hero"_s);
    Tour::start(*d.store);
    d.turn();
    d.overlay().follow();
    EXPECT_EQ(d.overlay().spotlight(), QRectF(492, 392, 136, 46)) << "the later mark wins";
    second.move(520, 410);
    d.overlay().follow();
    EXPECT_EQ(d.overlay().spotlight(), QRectF(512, 402, 136, 46));
    EXPECT_EQ(d.overlay().card()->pos(), TourLayout::cardOffset(QRectF(512, 402, 136, 46), {1120, 780}, false));
    second.hide();
    d.overlay().follow();
    EXPECT_EQ(d.overlay().spotlight(), QRectF(92, 292, 216, 56)) << "a hidden element is not pointed at";

    d.overlay().hole()->click();
    d.turn();
    EXPECT_EQ(d.store->tourStep(), 1);
    Tour::go(*d.store, *d.h.prefs, 2);
    d.turn();
    d.overlay().follow();
    EXPECT_FALSE(d.overlay().hole()->isVisible());
    EXPECT_TRUE(d.overlay().card()->notchDemo());
    d.overlay().card()->backButton()->click();
    d.turn();
    EXPECT_EQ(d.store->tourStep(), 1);
    d.overlay().card()->skipButton()->click();
    d.turn();
    EXPECT_EQ(d.store->tourStep(), std::nullopt);
}
