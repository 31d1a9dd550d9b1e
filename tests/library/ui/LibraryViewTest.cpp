#include "FrameTurn.h"
#include "RunSync.h"
#include "SampleSession.h"
#include "StoreHarness.h"

#include "account/ui/SignInScreen.h"
#include "library/ui/AccountMenu.h"
#include "library/ui/LibraryActionBar.h"
#include "library/ui/LibraryList.h"
#include "library/ui/LibraryRow.h"
#include "library/ui/LibraryView.h"
#include "library/ui/MacPicker.h"
#include "model/InstallPhase.h"
#include "model/Motion.h"
#include "store/LibraryItem.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace {

void click(QWidget* widget) {
    const QPointF at(widget->width() / 2.0, 4);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, {});
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

QAction* action(QMenu& menu, const QString& text) {
    for (QAction* a : menu.actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

LibraryApp app(const QString& name, QMap<QString, LibraryApp::OnDevice> on) {
    LibraryApp a;
    a.id = u"com.example."_s + name.toLower();
    a.name = name;
    a.devices = std::move(on);
    return a;
}

struct Screen {
    StoreHarness h;
    Store* store;
    std::unique_ptr<LibraryView> view;

    Screen() {
        Motion::setInstantForTests(true);
        const QDateTime now = h.clock.now();
        h.deviceID = u"dhere"_s;
        h.cloud = CloudConfig{u"key"_s, u"demo-test"_s, {}, u"http://127.0.0.1:9"_s, u"http://127.0.0.1:9"_s, true};
        h.libraryDevices = {{u"dhere"_s, u"Studio"_s, u"A"_s, now, {}}, {u"m2"_s, u"Book"_s, u"B"_s, now, {}}};
        const LibraryApp::OnDevice yes{u"1"_s, true, now};
        h.libraryApps = {app(u"Away"_s, {{u"m2"_s, yes}}), app(u"Here"_s, {{u"dhere"_s, yes}}),
                         app(u"Mine"_s, {{u"dhere"_s, yes}, {u"m2"_s, yes}})};
        store = &h.build();
        store->setSession(sampleSession(u"google.com"_s, true));
        store->setLibraryTab(LibraryTab::all);
        view = std::make_unique<LibraryView>(*store, h.clock);
        view->resize(1000, 700);
    }
    ~Screen() { Motion::setInstantForTests(false); }

    LibraryRow* row(const QString& name) const { return view->list()->row(u"com.example."_s + name.toLower()); }
};

} // namespace

// Shown, the screen syncs once; its rows follow the library by id and act on their entries.
TEST(LibraryView, SyncsWhenShownAndReusesItsRowsById) {
    Screen s;
    EXPECT_EQ(s.h.librarySyncs, 0) << "nothing while out of sight";
    s.view->show();
    frameTurn(2);
    EXPECT_EQ(s.h.librarySyncs, 1);
    ASSERT_EQ(s.store->library().size(), 3);
    LibraryRow* away = s.row(u"Away"_s);
    ASSERT_TRUE(away);
    EXPECT_TRUE(away->checkbox()->isVisible());
    EXPECT_FALSE(s.row(u"Here"_s)->checkbox()->isVisible()) << "installed here: nothing to tick";

    // A click ticks a selectable row; the bar then counts it and offers the removal.
    click(away);
    frameTurn(2);
    EXPECT_TRUE(s.store->library().at(0)->selected());
    EXPECT_EQ(s.view->actionBar()->installButton()->text(), u"Install 1"_s);
    EXPECT_TRUE(s.view->actionBar()->removeButton()->isVisible());
    click(s.row(u"Here"_s));
    frameTurn(2);
    EXPECT_FALSE(s.store->library().at(1)->selected());

    // Another tab and back: the same row widget, fading out where it stood as it moves 10 down,
    // then fading in from 10 below its place.
    Motion::setInstantForTests(false);
    s.store->setLibraryTab(LibraryTab::removed);
    s.view->flush();
    EXPECT_EQ(s.row(u"Away"_s), nullptr);
    EXPECT_TRUE(away->isVisible() && away->graphicsEffect());
    EXPECT_TRUE(waitUntil([&] { return !away->isVisible(); }));
    s.store->setLibraryTab(LibraryTab::all);
    s.view->flush();
    EXPECT_EQ(s.row(u"Away"_s), away);
    EXPECT_EQ(away->offset(), 10);
    EXPECT_TRUE(waitUntil([&] { return away->offset() == 0 && !away->graphicsEffect(); }));
    Motion::setInstantForTests(true);

    // The row's menu hands its entry to the removal confirmation.
    QMenu menu;
    away->fillActions(menu);
    ASSERT_TRUE(action(menu, u"Remove from Library…"_s));
    action(menu, u"Remove from Library…"_s)->trigger();
    ASSERT_TRUE(s.store->libraryRemoval());
    EXPECT_EQ(s.store->libraryRemoval()->size(), 1);
    EXPECT_EQ(s.store->libraryRemoval()->at(0)->app().name, u"Away"_s);
}

// The Mac picker narrows the rows and titles itself; the account menu signs out.
TEST(LibraryView, MacPickerAndAccountMenu) {
    Screen s;
    s.view->show();
    frameTurn(2);
    QMenu macs;
    s.view->macPicker()->fill(macs);
    ASSERT_TRUE(action(macs, u"Book"_s));
    EXPECT_TRUE(action(macs, u"Studio (this Mac)"_s));
    LibraryRow* here = s.row(u"Here"_s);
    LibraryRow* mine = s.row(u"Mine"_s);
    const int stood = mine->y();
    Motion::setInstantForTests(false);
    action(macs, u"Book"_s)->trigger();
    EXPECT_TRUE(here->isVisible() && here->graphicsEffect()) << "leaving by the standard motion";
    const int place = s.row(u"Away"_s)->geometry().bottom() + 9;
    QCoreApplication::processEvents();
    EXPECT_TRUE(stood != place && mine->y() != place) << "a row that stays springs from where it stood";
    EXPECT_TRUE(waitUntil([&] { return !here->isVisible() && here->offset() == 0; }));
    EXPECT_TRUE(waitUntil([&] { return mine->y() == place; }));
    Motion::setInstantForTests(true);
    EXPECT_EQ(s.view->device(), u"m2"_s);
    EXPECT_EQ(s.view->macPicker()->text(), u"Book"_s);
    EXPECT_TRUE(s.row(u"Away"_s));
    EXPECT_FALSE(s.row(u"Here"_s));

    // The chosen Mac leaves the account: "Any Mac", and every row again.
    s.h.libraryDevices.removeLast();
    s.store->setDevices(s.h.libraryDevices);
    frameTurn(2);
    EXPECT_EQ(s.view->macPicker()->text(), u"Any Mac"_s);
    EXPECT_TRUE(s.row(u"Here"_s));

    QMenu account;
    s.view->accountMenu()->fill(account);
    ASSERT_TRUE(action(account, u"Sign Out"_s));
    action(account, u"Sign Out"_s)->trigger();
    frameTurn(2);
    EXPECT_TRUE(s.view->signInScreen()->isVisible());
    EXPECT_FALSE(s.view->signedInView()->isVisible());
}

// A restore queues its rows at once: each shows so 0.05 s after the row above it; a row whose
// restore finished springs its mark in.
TEST(LibraryView, TheRestoreQueuesRowsInTurnAndLandsThemWithASpring) {
    Screen s;
    s.view->show();
    frameTurn(2);
    Motion::setInstantForTests(false);
    for (const auto& entry : s.store->library())
        entry->setPhase(InstallPhase::queued());
    frameTurn(0);
    const QString names[] = {u"Away"_s, u"Here"_s, u"Mine"_s};
    for (int i = 0; i < 3; ++i)
        EXPECT_DOUBLE_EQ(s.row(names[i])->queuedAfter(), 0.05 * i) << names[i].toStdString();
    EXPECT_EQ(s.row(u"Away"_s)->status()->accessibleName(), u"Queued"_s);
    EXPECT_NE(s.row(u"Mine"_s)->status()->accessibleName(), u"Queued"_s) << "its turn is 0.1 s later";
    EXPECT_TRUE(waitUntil([&] { return s.row(u"Mine"_s)->status()->accessibleName() == u"Queued"_s; }));

    s.store->library().at(0)->setPhase(InstallPhase::done());
    frameTurn(0);
    LibraryRow* away = s.row(u"Away"_s);
    EXPECT_EQ(away->status()->accessibleName(), u"Installed"_s);
    EXPECT_TRUE(away->status()->graphicsEffect()) << "springing in";
    EXPECT_TRUE(waitUntil([&] { return !away->status()->graphicsEffect(); }));
    Motion::setInstantForTests(true);
}
