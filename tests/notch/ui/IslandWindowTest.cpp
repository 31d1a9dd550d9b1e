#include "model/AppItem.h"
#include "model/Motion.h"
#include "notch/IslandModel.h"
#include "notch/ui/IslandButton.h"
#include "notch/ui/IslandView.h"
#include "views/kit/ElidedLabel.h"
#include "notch/ui/IslandWindow.h"
#include "runtime/MakeShared.h"

#include "FakeClock.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>

namespace {

std::shared_ptr<AppItem> row(int n) {
    InstalledApp app;
    app.url = QStringLiteral("/Applications/App%1.app").arg(n);
    app.name = QStringLiteral("App %1").arg(n);
    app.bundleID = QStringLiteral("org.example.app%1").arg(n);
    app.team = QStringLiteral("TEAM");
    auto item = makeShared<AppItem>(app);
    Release release;
    release.kind = SourceKind::sparkle;
    release.version = QStringLiteral("2.0");
    release.download = Download{QUrl(QStringLiteral("https://example.org/a.zip")), {}, {}, {}, {}};
    item->setRelease(release);
    item->setStatus(Status::update());
    return item;
}

class IslandWindowTest : public ::testing::Test {
protected:
    IslandWindowTest() { Motion::setInstantForTests(true); }
    ~IslandWindowTest() override { Motion::setInstantForTests(false); }

    std::shared_ptr<IslandModel> model(int count, QSizeF notch = {}, bool preview = false) {
        items.clear();
        QStringList ids;
        for (int i = 0; i < count; ++i) {
            items.append(row(i));
            ids.append(items.last()->id());
        }
        state = makeShared<IslandState>(ids, notch, preview, clock.now());
        IslandModel::Hooks hooks;
        hooks.items = [this] { return items; };
        hooks.updatingAll = [] { return false; };
        hooks.updateAll = [](Store::Rows) -> QCoro::Task<void> { co_return; };
        hooks.ignoreVersion = [](const std::shared_ptr<AppItem>&) {};
        hooks.dismissed = [this](const QStringList& keys) {
            calls.append(QStringLiteral("dismissed ") + QString::number(keys.size()));
            return false;
        };
        hooks.snooze = [](const QString&) {};
        hooks.neverFromNotch = [] {};
        hooks.openApp = [] {};
        hooks.fold = [this](const IslandState*) { calls.append(QStringLiteral("fold")); };
        return makeShared<IslandModel>(state, std::move(hooks));
    }
    void open(bool expanded) {
        state->setExpanded(expanded);
        QApplication::processEvents();
    }

    FakeClock clock;
    Store::Rows items;
    std::shared_ptr<IslandState> state;
    QStringList calls;
};

// The island's drawn size in each of its states; the list shows five rows at most.
TEST_F(IslandWindowTest, DrawsThePillTheNotchOutlineAndTheOpenIsland) {
    struct Case {
        const char* what;
        int rows;
        QSizeF notch;
        bool expanded;
        double width, height; // 0: worked out from the content
        int list;
    };
    const Case cases[] = {
        {"pill", 1, {}, false, 150, 34, 52},
        {"around the notch", 1, {200, 32}, false, 224, 32, 52},
        {"open, one row", 1, {}, true, 520, 0, 52},
        {"open around the notch", 3, {200, 32}, true, 544, 0, 156},
        {"open, seven rows", 7, {}, true, 520, 0, 260},
    };
    for (const Case& c : cases) {
        IslandView view(model(c.rows, c.notch), nullptr, 12);
        view.resize(620, 560);
        view.show();
        open(c.expanded);
        const QRectF rect = view.islandRect();
        EXPECT_DOUBLE_EQ(rect.width(), c.width) << c.what;
        EXPECT_DOUBLE_EQ(rect.center().x(), 310) << c.what;
        EXPECT_DOUBLE_EQ(rect.top(), 0) << c.what;
        if (c.height > 0)
            EXPECT_DOUBLE_EQ(rect.height(), c.height) << c.what;
        else
            EXPECT_GT(rect.height(), c.list + 12 + 16) << c.what;
        EXPECT_EQ(view.content()->isVisibleTo(&view), c.expanded) << c.what;
        EXPECT_EQ(view.content()->findChild<QScrollArea*>()->height(), c.list) << c.what;
        EXPECT_EQ(state->islandRect(), rect) << c.what;
    }
}

// A frameless tool window above the others that asks not to be activated when it shows (the
// desktop test sees that it is not), yet takes Escape for "Later".
TEST_F(IslandWindowTest, ShowsWithoutTakingTheFocusAndTakesEscapeForLater) {
    auto window = IslandWindow::open(model(2), QRectF(650, 36, 620, 560));
    QApplication::processEvents();
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(window->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_EQ(window->geometry(), QRect(650, 36, 620, 560));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quenlark: 2 updates"));

    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &escape);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("dismissed 2"), QStringLiteral("fold")}));

    window->orderOut();
    EXPECT_FALSE(window->isVisible());
}

// The tour preview's subtitle is longer than its line: it ends in "…", never mid-word.
TEST_F(IslandWindowTest, ASubtitleTooLongForItsLineEndsInAnEllipsis) {
    IslandView view(model(2, {}, true), nullptr, 12);
    view.resize(620, 560);
    view.show();
    open(true);
    const ElidedLabel* subtitle = nullptr;
    for (const auto* label : view.findChildren<ElidedLabel*>())
        if (label->text().startsWith(QStringLiteral("Tour preview")))
            subtitle = label;
    ASSERT_NE(subtitle, nullptr);
    const QString line = subtitle->lines(subtitle->width()).value(0);
    EXPECT_TRUE(line == subtitle->text() || line.endsWith(QChar(0x2026))) << line.toStdString();
    EXPECT_EQ(subtitle->toolTip(), subtitle->text());
}

// "Later": a click puts the updates off; held for half a second it opens its menu instead.
TEST_F(IslandWindowTest, LaterClickedOrHeldForItsMenu) {
    IslandView view(model(2), nullptr, 12);
    view.resize(620, 560);
    view.show();
    open(true);
    IslandButton* later = nullptr;
    for (auto* button : view.findChildren<IslandButton*>())
        if (button->text() == QStringLiteral("Later"))
            later = button;
    ASSERT_NE(later, nullptr);
    EXPECT_EQ(later->toolTip(), QStringLiteral("Click to put these off; hold for more choices"));
    const QPointF centre = QRectF(later->rect()).center();
    const auto mouse = [&](QEvent::Type type) {
        QMouseEvent event(type, centre, later->mapToGlobal(centre), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(later, &event);
    };

    mouse(QEvent::MouseButtonPress);
    clock.advanceSeconds(0.49);
    QApplication::processEvents();
    EXPECT_EQ(view.findChild<QMenu*>(), nullptr);
    clock.advanceSeconds(0.01);
    QApplication::processEvents();
    auto* menu = view.findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    QStringList entries;
    for (const QAction* action : menu->actions())
        entries.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(entries, (QStringList{"In 1 Hour", "Tonight", "Tomorrow", "Next Week", "-", "Skip These Versions",
                                    "Don't Show from the Notch"}));
    mouse(QEvent::MouseButtonRelease);
    EXPECT_TRUE(calls.isEmpty());
    menu->close();

    mouse(QEvent::MouseButtonPress);
    mouse(QEvent::MouseButtonRelease);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("dismissed 2"), QStringLiteral("fold")}));
}

// Escape leaves the "keep showing?" question standing; an island on its way out (folding, or
// fading under the growing main window) takes no clicks and no keys.
TEST_F(IslandWindowTest, EscapeLeavesTheQuestionAndAnIslandOnItsWayOutTakesNoInput) {
    auto window = IslandWindow::open(model(2), QRectF(650, 36, 620, 560));
    open(true);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    state->setAskingToStop(true);
    QApplication::processEvents();
    QApplication::sendEvent(window.get(), &escape);
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_TRUE(state->askingToStop());
    state->setAskingToStop(false);
    QApplication::processEvents();

    // Clicks every visible button of `island`; how many of them took it.
    const auto clickAll = [](QWidget& island) {
        int clicked = 0;
        for (QAbstractButton* button : island.findChildren<QAbstractButton*>()) {
            if (!button->isVisible())
                continue;
            const auto counting = QObject::connect(button, &QAbstractButton::clicked, [&] { ++clicked; });
            const QPointF centre = QRectF(button->rect()).center();
            for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QMouseEvent event(type, centre, button->mapToGlobal(centre), Qt::LeftButton,
                                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(button, &event);
            }
            QObject::disconnect(counting);
        }
        return clicked;
    };
    state->setLeaving();
    QApplication::processEvents();
    EXPECT_EQ(clickAll(*window), 0);
    QApplication::sendEvent(window.get(), &escape);
    EXPECT_TRUE(calls.isEmpty());

    // The same clicks reach an island that is up.
    auto up = IslandWindow::open(model(2), QRectF(650, 36, 620, 560));
    open(true);
    EXPECT_GE(clickAll(*up), 4);
}

} // namespace
