#include "DashboardRows.h"
#include "FrameTurn.h"

#include "SampleSession.h"

#include "account/ui/AccountNudgeCard.h"
#include "account/ui/ConfirmEmailTile.h"
#include "model/Motion.h"
#include "model/Prefs.h"
#include "views/dashboard/AccountCards.h"
#include "views/cards/AppCard.h"
#include "views/cards/CardList.h"
#include "views/cards/RowCommands.h"
#include "views/uninstall/UninstallPrompt.h"
#include "views/kit/ContentUnavailable.h"
#include "views/dashboard/ControlsRow.h"
#include "views/dashboard/FilterChips.h"
#include "views/dashboard/HealthRing.h"
#include "views/dashboard/Hero.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/FittedLabel.h"
#include "views/dashboard/HeroButton.h"
#include "views/MainView.h"
#include "library/ui/LibraryActionBar.h"
#include "library/ui/LibraryView.h"
#include "views/dashboard/NoticeToast.h"
#include "views/dashboard/PermissionBanner.h"
#include "views/dashboard/PermissionPill.h"
#include "views/dashboard/PermissionPills.h"
#include "views/kit/PlainLabel.h"
#include "views/kit/RoundIconButton.h"
#include "views/dashboard/SearchField.h"

#include "SampleSession.h"
#include "library/ui/LibraryView.h"

#include <gtest/gtest.h>

#include <QAbstractAnimation>
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {
void turn() { frameTurn(); }

void press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent down(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &down);
}

void type(QWidget* target, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &key);
    }
}

// The endless animations and repeating timers running in `view`'s widgets: those that never stop
// by themselves.
int running(const QWidget& view) {
    int n = 0;
    for (const QAbstractAnimation* animation : view.findChildren<QAbstractAnimation*>())
        n += animation->loopCount() < 0 && animation->state() == QAbstractAnimation::Running;
    for (const QTimer* timer : view.findChildren<QTimer*>())
        n += !timer->isSingleShot() && timer->isActive();
    return n;
}

struct Instant {
    Instant() { Motion::setInstantForTests(true); }
    ~Instant() { Motion::setInstantForTests(false); }
};

// The dashboard in a window of its own, shown and active, so shortcuts and focus work.
struct Dashboard {
    explicit Dashboard(StoreHarness& h, QSize size = {1120, 780}) : view(h.store(), *h.prefs, h.clock) {
        view.resize(size);
        view.show();
        view.activateWindow();
        turn();
    }
    MainView view;
};
} // namespace

TEST(Dashboard, SearchTakesCtrlFEscapeClearsAndNothingMatchingShowsTheNoMatchesView) {
    Instant instant;
    StoreHarness h;
    Store& s = h.build();
    s.setItems(makeRows({{u"Alpha"_s}, {u"Beta"_s, Status::update()}}));
    Dashboard d(h);
    QLineEdit* edit = d.view.search()->edit();
    d.view.cardList()->setFocus();
    turn();

    press(d.view.cardList(), Qt::Key_F, Qt::ControlModifier);
    turn();
    ASSERT_TRUE(edit->hasFocus()) << "Ctrl+F focuses the search field";

    type(edit, u"zz"_s);
    EXPECT_EQ(s.query(), u"zz"_s);
    turn();
    EXPECT_TRUE(d.view.search()->clearButton()->isVisible());
    ContentUnavailable* empty = d.view.cardList()->emptyView();
    ASSERT_TRUE(empty->isVisible());
    EXPECT_EQ(empty->title(), u"No apps match “zz”"_s);

    press(edit, Qt::Key_Escape);
    EXPECT_EQ(s.query(), QString());
    turn();
    EXPECT_TRUE(edit->hasFocus()) << "Escape keeps the focus";
    EXPECT_EQ(edit->text(), QString());
    EXPECT_FALSE(d.view.search()->clearButton()->isVisible());
    EXPECT_FALSE(empty->isVisible());

    // An empty filter shows its own placeholder, not the no-matches view.
    s.setFilter(Filter::ignored);
    turn();
    EXPECT_EQ(empty->title(), u"No ignored apps"_s);
    EXPECT_EQ(d.view.chips()->chip(Filter::ignored)->accessibleName(), u"Ignored, 0 apps"_s);
}

TEST(Dashboard, TheControlsShareALineOnlyWhenEverythingFitsAndTheColumnStaysCentredWithin1200) {
    Instant instant;
    StoreHarness h;
    h.build();
    Dashboard d(h, {1600, 800});
    auto* row = qobject_cast<ControlsRow*>(d.view.chips()->parentWidget());
    ASSERT_TRUE(row);
    const QRect column = d.view.hero()->geometry().translated(d.view.hero()->parentWidget()->pos());
    EXPECT_EQ(column.width(), 1200 - 48);
    EXPECT_EQ(column.left(), (1600 - 1200) / 2 + 24);

    const int needed = d.view.chips()->sizeHint().width() + 8 + 200 + 8 + d.view.pills()->sizeHint().width();
    for (const int width : {needed, needed - 1}) {
        row->resize(width, row->heightForWidth(width));
        turn();
        const bool wide = width == needed;
        EXPECT_EQ(row->wide(width), wide);
        const QRect chips = d.view.chips()->geometry(), search = d.view.search()->geometry(),
                    pills = d.view.pills()->geometry();
        EXPECT_EQ(search.top() > chips.bottom(), !wide) << width;
        EXPECT_EQ(pills.right(), width - 1);
        EXPECT_EQ(search.width(), wide ? 200 : std::min(220, width - pills.width() - 8)) << width;
    }
}

TEST(Dashboard, TheBannerFollowsThePermissionAndBlockedRowsAndTheToastItsNotice) {
    Instant instant;
    StoreHarness h;
    h.cloud = CloudConfig{u"key"_s, u"demo-test"_s, {}, u"http://127.0.0.1:9"_s, u"http://127.0.0.1:9"_s, true};
    Store& s = h.build();
    s.setItems(makeRows({{u"A"_s, Status::update()}, {u"B"_s, Status::update(), InstallPhase::blocked(), true}}));
    h.prefs->setHideAppStore(true);
    Dashboard d(h);
    PermissionBanner* banner = d.view.banner();
    EXPECT_TRUE(banner->isVisible()) << "a hidden blocked row still counts";
    EXPECT_EQ(banner->title()->text(), u"1 update waiting for permission"_s);
    EXPECT_TRUE(banner->tryAgainButton()->isVisible());

    s.items()[1]->setPhase(InstallPhase::idle());
    turn();
    EXPECT_FALSE(banner->isVisible());
    s.setAppManagement(Permissions::State::denied);
    turn();
    EXPECT_TRUE(banner->isVisible());
    EXPECT_FALSE(banner->tryAgainButton()->isVisible());

    NoticeToast* toast = d.view.toast();
    EXPECT_FALSE(toast->showing());
    s.setNotice(u"Moved A to the Trash."_s);
    turn();
    EXPECT_TRUE(toast->showing());
    EXPECT_EQ(toast->text(), u"Moved A to the Trash."_s);
    EXPECT_NEAR(toast->geometry().center().x(), d.view.width() / 2, 1) << "centred";
    h.clock.advance(4000ms);
    turn();
    EXPECT_FALSE(s.notice());
    EXPECT_FALSE(toast->showing());

    // Over the library, the toast keeps above the action bar's buttons, with its own symbol.
    s.setSession(sampleSession());
    s.setFilter(Filter::library);
    s.setNotice(u"Signed in for this session only."_s, u"lock"_s);
    turn();
    const LibraryActionBar* bar = d.view.libraryView()->actionBar();
    ASSERT_TRUE(bar->isVisible());
    const int m = LibraryActionBar::shadowMargin; // the capsules, inside their shadows' room
    const QRect capsule = QRect(bar->mapTo(&d.view, QPoint(0, 0)), bar->size()).adjusted(m, m, -m, -m);
    EXPECT_LT(toast->geometry().adjusted(16, 16, -16, -16).bottom(), capsule.top());
}

// The hero's counts change with every result: the column under it, with the card list, is laid
// out again only when the hero's height changes.
TEST(Dashboard, TheHerosNewTextsMoveTheListOnlyWhenTheHeroGrows) {
    StoreHarness h;
    h.apps = {StoreHarness::app(u"A"_s)};
    h.build();
    Dashboard d(h, {860, 640});
    struct Requests : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            count += event->type() == QEvent::LayoutRequest;
            return false;
        }
    } requests;
    Hero* hero = d.view.hero();
    QWidget* list = d.view.findChild<CardList*>();
    hero->parentWidget()->installEventFilter(&requests);
    const QRect listAt = list->geometry();
    const int heroHeight = hero->height();

    hero->headline()->setText(u"Checking 1,234 of 2,000\u2026"_s);
    hero->summary()->setText(u"2000 apps  \u00b7  1234 up to date"_s);
    turn();
    EXPECT_EQ(requests.count, 0);
    EXPECT_EQ(list->geometry(), listAt);
    EXPECT_EQ(hero->height(), heroHeight);

    // Taller than the ring beside it, the summary makes the hero grow.
    QFont large = hero->summary()->font();
    large.setPixelSize(40);
    hero->summary()->setFont(large);
    hero->summary()->setText(QStringList(40, u"2000 apps"_s).join(u"  \u00b7  "_s));
    turn();
    EXPECT_GT(hero->height(), heroHeight);
    EXPECT_EQ(list->geometry().top() - listAt.top(), hero->height() - heroHeight);
}

// The ring and the rows' spinners turn only while a refresh runs and they are on the screen; an
// idle window runs no animation and no timer at all.
TEST(Dashboard, TheSpinnersTurnOnlyWhileARefreshRunsOnScreenAndAnIdleWindowRunsNothing) {
    StoreHarness h;
    h.apps = {StoreHarness::app(u"A"_s)};
    h.checkDelay = 1000ms;
    Store& s = h.build();
    Dashboard d(h);
    HealthRing* ring = d.view.hero()->ring();
    EXPECT_FALSE(ring->spinning());
    auto done = h.start(s.refresh());
    turn();
    EXPECT_TRUE(ring->spinning());
    EXPECT_GE(running(d.view), 2) << "the ring and the row's spinner";
    EXPECT_FALSE(d.view.hero()->checkAgainButton()->isEnabled());
    d.view.hide();
    EXPECT_FALSE(ring->spinning()) << "paused while hidden";
    EXPECT_EQ(running(d.view), 0);
    d.view.show();
    EXPECT_TRUE(ring->spinning());
    ASSERT_TRUE(h.settle(done));
    turn();
    EXPECT_FALSE(ring->spinning());
    EXPECT_TRUE(d.view.hero()->checkAgainButton()->isEnabled());
    QDeadlineTimer still(3s);
    while (running(d.view) > 0 && !still.hasExpired())
        turn();
    EXPECT_EQ(running(d.view), 0) << "idle";
}

TEST(Dashboard, TheLibraryViewTakesTheListsPlaceUnderTheLibraryFilterAndStartsWithAnyMac) {
    Instant instant;
    StoreHarness h;
    Store& s = h.build();
    Dashboard d(h);
    LibraryView* library = d.view.libraryView();
    turn();
    EXPECT_FALSE(library->isVisible());
    EXPECT_TRUE(d.view.cardList()->isVisible());
    s.setFilter(Filter::library);
    turn();
    EXPECT_TRUE(library->isVisible());
    EXPECT_FALSE(d.view.cardList()->isVisible());
    library->setDevice(u"m1"_s);
    s.setFilter(Filter::all);
    turn();
    EXPECT_FALSE(library->isVisible());
    EXPECT_TRUE(d.view.cardList()->isVisible());
    s.setFilter(Filter::library);
    turn();
    EXPECT_EQ(library->device(), std::nullopt);
}

// The header's buttons, the chips and the pills act through the store.
TEST(Dashboard, TheHeaderChipsAndPillsActThroughTheStore) {
    Instant instant;
    StoreHarness h;
    h.apps = {StoreHarness::app(u"A"_s), StoreHarness::app(u"B"_s)};
    h.offer(h.apps[0], StoreHarness::release(u"2.0"_s));
    h.offer(h.apps[1], StoreHarness::release(u"1.0"_s));
    h.checkDelay = 1000ms;
    Store& s = h.build();
    ASSERT_TRUE(h.settle(h.start(s.refresh())));
    int settingsOpened = 0;
    s.openSettingsWindow = [&] { ++settingsOpened; };
    Dashboard d(h);
    Hero* hero = d.view.hero();

    EXPECT_EQ(hero->updateAllButton()->text(), u"Update All  1"_s);
    EXPECT_TRUE(hero->updateAllButton()->isEnabled());
    hero->settingsButton()->click();
    EXPECT_EQ(settingsOpened, 1);

    QAbstractButton* updates = d.view.chips()->chip(Filter::updates);
    EXPECT_EQ(updates->accessibleName(), u"Updates, 1 apps"_s);
    updates->click();
    EXPECT_EQ(s.filter(), Filter::updates);

    // Asking for notifications while undetermined, then reading the answer.
    PermissionPill* notifications = d.view.pills()->notificationsPill();
    EXPECT_EQ(notifications->accessibleName(), u"Notifications permission, off"_s);
    notifications->click();
    h.clock.advance(10ms);
    turn();
    EXPECT_EQ(s.notifications(), Permissions::AuthorizationStatus::authorized);
    EXPECT_EQ(notifications->accessibleName(), u"Notifications permission, on"_s);

    hero->updateAllButton()->click();
    turn();
    EXPECT_FALSE(hero->updateAllButton()->isEnabled()) << "disabled while Update All runs";
    h.clock.advance(5000ms);
    turn();
    EXPECT_EQ(h.installed, QStringList{u"A"_s});

    hero->checkAgainButton()->click();
    turn();
    EXPECT_TRUE(s.scanning());
    EXPECT_FALSE(hero->checkAgainButton()->isEnabled());
    h.clock.advance(5000ms);
    turn();
    EXPECT_FALSE(s.scanning());
}

// With real motion the selection capsule slides at every click, also after the last slide has
// ended and its animation is gone.
TEST(Dashboard, TheChipsSlideClickAfterClick) {
    StoreHarness h;
    Store& s = h.build();
    s.setItems(makeRows({{u"Alpha"_s}, {u"Beta"_s, Status::update()}}));
    Dashboard d(h);
    for (const Filter filter : {Filter::updates, Filter::all, Filter::cantVerify, Filter::updates}) {
        d.view.chips()->chip(filter)->click();
        EXPECT_EQ(s.filter(), filter);
        QDeadlineTimer slid(1000ms);
        while (!slid.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
}

// Under the controls row: the confirm tile while a password account is unconfirmed, the nudge
// while a signed-out user is wanted to sign in; neither takes room when not wanted.
TEST(Dashboard, AccountCardsFollowTheSessionAndTheNudge) {
    Instant instant;
    StoreHarness h;
    h.cloud = CloudConfig::emulator(u"k"_s, u"demo-p"_s, u"127.0.0.1:1"_s);
    Store& s = h.build();
    h.prefs->setOnboarded(true);
    s.setItems(makeRows({{u"Alpha"_s}}));
    Dashboard d(h);
    auto* cards = d.view.findChild<AccountCards*>();
    ASSERT_TRUE(cards);
    turn();
    EXPECT_TRUE(cards->isVisible());
    EXPECT_TRUE(cards->nudge()->isVisible()) << "signed out";
    EXPECT_FALSE(cards->tile());

    s.setSession(sampleSession(u"password"_s, false));
    turn();
    ASSERT_TRUE(cards->tile());
    EXPECT_TRUE(cards->tile()->isVisible());
    EXPECT_FALSE(cards->nudge()->isVisible()) << "signed in";

    s.setSession(sampleSession(u"password"_s, true));
    turn();
    EXPECT_FALSE(cards->tile() && cards->tile()->isVisible());
    EXPECT_FALSE(cards->isVisible()) << "nothing wanted, no room taken";
}

TEST(Dashboard, TheUninstallPromptKeepsTheKeyboardAndAWorkingOneIsNeverReplacedNorClosedByAnother) {
    Instant instant;
    StoreHarness h;
    Store& s = h.build();
    s.setItems(makeRows({{u"Alpha"_s}, {u"Beta"_s}, {u"Gamma"_s}}));
    const auto alpha = s.items()[0], beta = s.items()[1], gamma = s.items()[2];
    Dashboard d(h);
    RowCommands::perform(s, alpha, {RowAction::Kind::remove, {}});
    turn();
    UninstallPrompt* prompt = d.view.uninstallLayer()->prompt();
    ASSERT_TRUE(prompt);
    prompt->showFound({Leftover{u"/home/u/Library/Caches/alpha"_s, 10, false}});
    auto inside = [prompt] { return prompt->isAncestorOf(QApplication::focusWidget()); };
    ASSERT_TRUE(inside());
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_Tab, Qt::NoModifier}, {Qt::Key_Backtab, Qt::ShiftModifier}})
        for (int i = 0; i < 8; ++i) {
            press(QApplication::focusWidget(), key, modifiers);
            EXPECT_TRUE(inside()) << key << " " << i << " " << QApplication::focusWidget()->metaObject()->className();
        }
    // A shortcut or a click beneath that takes the focus gives it back.
    d.view.search()->edit()->setFocus();
    EXPECT_TRUE(inside());

    // The removal runs: it waits for Alpha to quit.
    h.runningPolls[alpha->id()] = 1000;
    h.shell.answers = {true};
    prompt->confirmButton()->click();
    ASSERT_TRUE(prompt->choice().working());
    ASSERT_TRUE(s.busy(alpha->id()));
    RowCommands::perform(s, beta, {RowAction::Kind::remove, {}});
    turn();
    EXPECT_EQ(s.removing(), alpha);
    EXPECT_EQ(d.view.uninstallLayer()->prompt(), prompt);

    // Another row's prompt set meanwhile (not through the row commands) outlives Alpha's end.
    s.setRemoving(gamma);
    turn();
    h.clock.advanceSeconds(20);
    turn();
    EXPECT_FALSE(s.busy(alpha->id()));
    EXPECT_EQ(s.removing(), gamma);
}

TEST(Dashboard, ACardHeaderIsOneSelectableButtonThatCanUpdateOrOpenTheStorePage) {
    Instant instant;
    StoreHarness h;
    Store& s = h.build();
    s.setItems(makeRows({{u"Alpha"_s, Status::update()}, {u"Beta"_s, Status::update()}}));
    const auto alpha = s.items()[0], beta = s.items()[1];
    Release store = StoreHarness::release(u"2.0"_s, SourceKind::appStore);
    beta->setRelease(store);
    int toggles = 0;
    AppCard card(alpha, &s, [&toggles] { ++toggles; });
    AppCard storeCard(beta, &s, [] {});

    QAccessibleInterface* header = QAccessible::queryAccessibleInterface(card.header());
    ASSERT_TRUE(header);
    EXPECT_EQ(header->role(), QAccessible::Button);
    EXPECT_EQ(header->childCount(), 0);
    EXPECT_TRUE(header->text(QAccessible::Name)
                    .startsWith(u"\u2068Alpha\u2069, version \u20681.0\u2069, update available: \u20682.0\u2069"_s));
    EXPECT_FALSE(header->state().selected);
    card.setSelected(true);
    EXPECT_TRUE(header->state().selected);
    card.setExpanded(true);
    EXPECT_TRUE(header->state().expanded);

    QAccessibleActionInterface* actions = header->actionInterface();
    ASSERT_TRUE(actions);
    EXPECT_EQ(actions->actionNames(),
              (QStringList{QAccessibleActionInterface::pressAction(), u"Update to \u20682.0\u2069"_s}));
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(toggles, 1);
    actions->doAction(u"Update to \u20682.0\u2069"_s);
    h.clock.advanceSeconds(3);
    EXPECT_EQ(h.installed, QStringList{u"Alpha"_s});

    QAccessibleActionInterface* storeActions =
        QAccessible::queryAccessibleInterface(storeCard.header())->actionInterface();
    EXPECT_EQ(storeActions->actionNames(),
              (QStringList{QAccessibleActionInterface::pressAction(), u"Open in App Store"_s}));
    storeActions->doAction(u"Open in App Store"_s);
    EXPECT_EQ(h.shell.openedUrls, QList<QUrl>{QUrl(u"https://apps.apple.com/app/id1"_s)});
}
