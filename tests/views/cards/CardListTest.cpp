#include "FrameTurn.h"
#include "RunSync.h"
#include "StoreHarness.h"
#include "model/AppItem.h"
#include "model/Motion.h"
#include "runtime/MakeShared.h"
#include "views/cards/AppCard.h"
#include "views/kit/AppIcon.h"
#include "views/cards/CardList.h"
#include "views/MainView.h"
#include "views/dashboard/NoticeToast.h"
#include "views/kit/OverlayScroller.h"
#include "views/uninstall/UninstallPrompt.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace {
std::shared_ptr<AppItem> row(const QString& name, Status status, const QString& bundleID = {}) {
    InstalledApp app = StoreHarness::app(name);
    if (!bundleID.isEmpty())
        app.bundleID = bundleID;
    auto item = makeShared<AppItem>(app);
    item->setStatus(std::move(status));
    return item;
}

void press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(target, &event);
}

void turn() { frameTurn(); }

// 300 current apps, more than a view holds many times over.
Store::Rows longList() {
    Store::Rows rows;
    for (int i = 0; i < 300; ++i)
        rows.append(row(QStringLiteral("App %1").arg(i, 3, 10, QLatin1Char('0')), Status::upToDate()));
    return rows;
}
} // namespace

// The list follows the store a turn later, keeps each card across filter changes and answers
// the keys through the store.
TEST(CardList, FollowsTheStoreReusingCardsAndActsOnKeys) {
    Motion::setInstantForTests(true);
    StoreHarness h;
    Store& store = h.build();
    const auto alpha = row(QStringLiteral("Alpha"), Status::update());
    const auto beta = row(QStringLiteral("Beta"), Status::upToDate());
    const auto system = row(QStringLiteral("Safari"), Status::upToDate(), QStringLiteral("com.apple.Safari"));
    store.setItems({alpha, beta, system});

    MainView view(store, *h.prefs, h.clock);
    view.resize(900, 600);
    view.show();
    CardList* list = view.cardList();
    turn();
    AppCard* betaCard = list->card(beta->id());
    ASSERT_TRUE(list->card(alpha->id()) && betaCard && list->card(system->id()));

    store.setFilter(Filter::updates);
    EXPECT_TRUE(list->card(beta->id())) << "changes apply on the next turn";
    turn();
    EXPECT_FALSE(list->card(beta->id()));
    ASSERT_TRUE(list->card(alpha->id()));
    store.setFilter(Filter::all);
    turn();
    EXPECT_EQ(list->card(beta->id()), betaCard) << "the card is reused";

    // Sections order the cards: the update first, then the current ones.
    press(list, Qt::Key_Down);
    EXPECT_EQ(store.selection(), alpha->id());
    press(list, Qt::Key_Down);
    press(list, Qt::Key_Return);
    EXPECT_EQ(store.selection(), beta->id());
    EXPECT_EQ(store.expanded(), beta->id());
    turn();
    EXPECT_TRUE(betaCard->expanded());

    press(list, Qt::Key_Backspace);
    EXPECT_FALSE(store.removing()) << "backspace alone does nothing";
    press(list, Qt::Key_Down);
    press(list, Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_FALSE(store.removing()) << "the system's apps are protected";
    press(list, Qt::Key_Up);
    press(list, Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(store.removing(), beta);
    turn();
    ASSERT_TRUE(view.uninstallLayer()->prompt());
    EXPECT_TRUE(view.uninstallLayer()->prompt()->isVisible());

    EXPECT_FALSE(view.toast()->isVisible());
    store.setNotice(QStringLiteral("Moved Beta to the Trash."));
    turn();
    EXPECT_TRUE(view.toast()->isVisible());
    store.setNotice(std::nullopt);
    turn();
    EXPECT_FALSE(view.toast()->isVisible());

    // A rescan replaces the rows; the gone row's card goes with it.
    store.setItems({alpha});
    turn();
    EXPECT_FALSE(list->card(beta->id()));
    EXPECT_TRUE(list->card(alpha->id()));
    Motion::setInstantForTests(false);
}

// A long list builds the cards near the view only, and builds the selected one when a key
// reaches it.
TEST(CardList, BuildsFarCardsWhenReached) {
    StoreHarness h;
    Store& store = h.build();
    const Store::Rows rows = longList();
    store.setItems(rows);
    CardList list(store);
    list.resize(900, 600);
    list.show();
    turn();
    EXPECT_TRUE(list.card(rows.first()->id()));
    EXPECT_FALSE(list.card(rows.last()->id()));
    press(&list, Qt::Key_Up);
    turn();
    ASSERT_TRUE(list.card(rows.last()->id()));
    EXPECT_TRUE(list.card(rows.last()->id())->visibleRegion().isEmpty() == false) << "scrolled into view";
}

// The bar lies over the cards: a list that comes to overflow keeps its cards' width, the bar
// shows only then, spans the whole list, built or not, and scrolls it both ways. The icons of
// the cards in view all arrive.
TEST(CardList, ItsBarLiesOverTheCardsAndScrollsThem) {
    StoreHarness h;
    Store& store = h.build();
    const Store::Rows rows = longList();
    store.setItems({rows.first()});
    CardList list(store);
    list.resize(900, 600);
    list.show();
    turn();
    auto* bar = list.findChild<OverlayScroller*>();
    ASSERT_TRUE(bar && list.card(rows.first()->id()));
    const int width = list.card(rows.first()->id())->width();
    EXPECT_FALSE(bar->isVisible());

    store.setItems(rows);
    turn();
    EXPECT_EQ(list.card(rows.first()->id())->width(), width);
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->geometry().right(), list.viewport()->geometry().right());
    EXPECT_EQ(bar->maximum(), list.verticalScrollBar()->maximum());
    EXPECT_GT(bar->maximum(), 250 * 64) << "the rows not built yet count";
    const int half = bar->maximum() / 2;
    bar->setValue(half);
    EXPECT_EQ(list.verticalScrollBar()->value(), half);
    list.verticalScrollBar()->setValue(0);
    EXPECT_EQ(bar->value(), 0);
    QWheelEvent wheel(QPointF(300, 300), list.viewport()->mapToGlobal(QPointF(300, 300)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(list.viewport(), &wheel);
    EXPECT_GT(bar->value(), 0) << "the wheel scrolls the list";

    const QList<AppIcon*> icons = list.findChildren<AppIcon*>();
    EXPECT_GT(icons.size(), 5);
    EXPECT_TRUE(waitUntil(
        [&] { return std::all_of(icons.begin(), icons.end(), [](AppIcon* icon) { return icon->loaded(); }); }));
}
