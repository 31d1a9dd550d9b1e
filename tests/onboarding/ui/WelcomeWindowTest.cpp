#include "FakeSetup.h"
#include "StoreHarness.h"
#include "WelcomeFlow.h"

#include "onboarding/OnboardingModel.h"
#include "onboarding/ui/OnboardingView.h"
#include "onboarding/ui/MarqueePaint.h"
#include "onboarding/ui/PageText.h"
#include "onboarding/ui/WelcomeWindow.h"
#include "model/Theme.h"
#include "platform/gui/Palette.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLayout>
#include <QThread>

using namespace Qt::Literals::StringLiterals;

namespace {

// Runs the event loop for `ms`, calling `each` after every turn.
void pump(
    int ms, const std::function<void()>& each = [] {}) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        each();
        QThread::msleep(5);
    }
}

// Every text of the page's title block has the height of all its lines and lies inside the block.
void expectTextsWhole(QWidget* page, const QString& where) {
    auto* text = page->findChild<PageText*>();
    ASSERT_NE(text, nullptr) << qPrintable(where);
    for (auto* label : text->findChildren<QLabel*>()) {
        EXPECT_GE(label->height(), label->heightForWidth(label->width()))
            << qPrintable(where) << ": " << qPrintable(label->text());
        EXPECT_TRUE(text->rect().contains(label->geometry())) << qPrintable(where) << ": " << qPrintable(label->text());
    }
}

} // namespace

// The welcome window as the application opens it, with its animations running: a two-line
// title shows both lines while it rises and after, a page paged away from fades out even when
// the change before it had not settled, and on the setup page every row has the
// height its wrapped lines need, with the Move row and without, in either appearance; the page
// gets all it needs, whatever the window's first height.
TEST(WelcomeWindow, EveryTextAndEverySetupRowShowsWhole) {
    const bool wasDark = Palette::current().isDark();
    for (const bool dark : {true, false}) {
        for (const bool moveRow : {true, false}) {
            const QString where = (dark ? u"dark"_s : u"light"_s) + (moveRow ? u", Move row"_s : u""_s);
            Palette::setDark(dark);
            QApplication::setPalette(Palette::current().qtPalette());
            StoreHarness h;
            Store& store = h.build();
            h.prefs->setTheme(dark ? Theme::dark : Theme::light);
            FakeSetup fake(u"welcome-window"_s);
            const QString home = QDir::homePath();
            ::Setup setup =
                fake.make(home + (moveRow ? u"/Downloads"_s : u"/Applications"_s) + u"/Quenlark.app"_s, home);
            WelcomeFlow flow(h, store, setup);
            flow.onboarding().show();
            OnboardingModel& model = *flow.onboarding().model();
            WelcomeWindow window([&](OnboardingModel& m) -> QWidget* { return new OnboardingView(flow.view(m)); });
            window.open(model);
            auto* view = window.window()->findChild<OnboardingView*>();
            ASSERT_NE(view, nullptr);
            pump(200);

            // Paged on before the last change settled; the page leaving fades out all the way.
            model.go(1);
            pump(300);
            model.go(2); // "Nothing changes / until it's verified"
            pump(1200, [&] {
                expectTextsWhole(view->page(), where + u", rising"_s);
                for (auto* text : view->findChildren<PageText*>()) {
                    QWidget* other = text->parentWidget();
                    if (other != view->page() && other->isVisible()) {
                        EXPECT_NE(other->graphicsEffect(), nullptr) << qPrintable(where) << ": a page leaving unfaded";
                    }
                }
            });
            expectTextsWhole(view->page(), where);

            model.go(OnboardingModel::pages - 1);
            pump(1500);
            QWidget* page = view->page();
            expectTextsWhole(page, where);
            // The rows: the boxes that fill the width of the list the page holds.
            QList<QWidget*> rows;
            for (auto* list : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (!qobject_cast<PageText*>(list))
                    for (auto* box : list->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                        if (box->isVisibleTo(page) && box->width() == list->width())
                            rows.append(box);
            EXPECT_EQ(rows.size(), moveRow ? 5 : 4) << qPrintable(where);
            for (auto* row : rows)
                EXPECT_GE(row->height(), row->sizeHint().height()) << qPrintable(where);
            EXPECT_GE(page->height(), page->layout()->totalMinimumHeightForWidth(page->width())) << qPrintable(where);
            EXPECT_TRUE(view->rect().contains(page->geometry())) << qPrintable(where);
            EXPECT_EQ(window.window()->size(), view->size()) << qPrintable(where);
            window.close();
            QApplication::processEvents();
        }
    }
    Palette::setDark(wasDark);
    QApplication::setPalette(Palette::current().qtPalette());
}

// A page's title is heavy (800), its lines 2 apart beyond the font's own spacing; the drifting
// rows fade out at both ends through four evenly spaced stops.
TEST(WelcomeWindow, TheTitleIsHeavyAndTheRowsFadeThroughEvenStops) {
    PageText one(u"Nothing changes"_s, QString()), two(u"Nothing changes\nuntil it's verified"_s, QString());
    QLabel* line = one.findChild<QLabel*>();
    EXPECT_EQ(line->font().weight(), QFont::ExtraBold);
    EXPECT_NEAR(two.findChild<QLabel*>()->heightForWidth(700) - line->heightForWidth(700),
                QFontMetricsF(line->font()).lineSpacing() + PageText::titleLineSpacing, 1);
    const QGradientStops stops = MarqueePaint::mask(300, Qt::Vertical).stops();
    const QColor clear(Qt::transparent), black(Qt::black);
    EXPECT_EQ(stops, (QGradientStops{{0, clear}, {1 / 3.0, black}, {2 / 3.0, black}, {1, clear}}));
}
