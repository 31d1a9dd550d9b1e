#include "SampleSession.h"
#include "StoreHarness.h"

#include "MemoryLoginChoice.h"
#include "NoAccountDeletion.h"
#include "platform/gui/Palette.h"
#include "settings/SettingsModel.h"
#include "settings/ui/SettingsView.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Window {
    StoreHarness h;
    MemoryLoginChoice login;
    NoAccountDeletion deletion;
    Store* store = &h.build();
    SettingsView view{
        std::make_unique<SettingsModel>(SettingsModel::Services{*store, *h.prefs, login, deletion, h.clock})};

    void turn() {
        QApplication::processEvents();
        QApplication::processEvents();
    }
};

} // namespace

// Binding the controls to their values is no change: showing the window, and every tab in
// turn, writes no setting, restarts no schedule and touches no login item.
TEST(SettingsView, OpeningItAndEveryTabCallsNothing) {
    Window w;
    const int appearances = int(w.h.shell.appearances.size());
    w.h.prefs->setIntervalHours(12); // none of the five: the picker shows no entry
    w.view.show();
    w.turn();
    auto* tabs = w.view.findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        w.turn();
        EXPECT_EQ(w.view.size(), QSize(560, i == 2 ? 600 : 420));
    }
    EXPECT_EQ(w.store->settingsTab(), u"permissions"_s);
    EXPECT_EQ(w.login.calls, 0);
    EXPECT_FALSE(w.store->scheduled());
    EXPECT_EQ(w.h.prefs->intervalHours(), 12);
    EXPECT_EQ(int(w.h.shell.appearances.size()), appearances);
    tabs->setCurrentIndex(1);
    w.turn();
    EXPECT_EQ(tabs->findChildren<QComboBox*>().first()->currentIndex(), -1);
}

// The selected tab is the store's: a window made again opens where the last one was left.
TEST(SettingsView, TheTabLivesInTheStore) {
    Window w;
    w.store->setSettingsTab(u"account"_s);
    w.view.show();
    w.turn();
    EXPECT_EQ(w.view.findChild<QTabWidget*>()->currentIndex(), 2);
    EXPECT_EQ(w.view.size(), QSize(560, 600));
}

namespace {

QPushButton* button(QWidget& in, const QString& text) {
    for (auto* candidate : in.findChildren<QPushButton*>()) {
        if (candidate->text() == text && candidate->isVisibleTo(&in))
            return candidate;
    }
    return nullptr;
}

} // namespace

// The deletion is asked over the settings window; confirming it runs it, and its failure shows
// under the buttons.
TEST(SettingsView, DeletingTheAccountAsksFirstAndShowsAFailure) {
    Window w;
    w.store->setSettingsTab(u"account"_s);
    w.view.show();
    w.turn();
    EXPECT_NE(button(w.view, u"Sign In…"_s), nullptr);
    EXPECT_EQ(button(w.view, u"Sign Out"_s), nullptr);

    w.store->setSession(sampleSession(u"google.com"_s, true));
    w.turn();
    EXPECT_EQ(button(w.view, u"Sign In…"_s), nullptr);
    QPushButton* remove = button(w.view, u"Delete My Library and Account…"_s);
    ASSERT_NE(remove, nullptr);
    remove->click();
    w.turn();
    auto* box = w.view.findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), u"Delete your library and account?"_s);
    QPushButton* confirm = button(*box, u"Delete Library and Account"_s);
    ASSERT_NE(confirm, nullptr);
    confirm->click();
    w.turn();
    EXPECT_FALSE(w.view.model().confirmDelete());
    ASSERT_TRUE(w.view.model().deleteError().has_value());
    bool shown = false;
    for (auto* label : w.view.findChildren<QLabel*>())
        shown |= label->isVisibleTo(&w.view) && label->text() == *w.view.model().deleteError();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(remove->isEnabled());
}

// Choosing the light appearance while the window is open, from the dark one: no text on any tab
// keeps the near-white of the dark appearance, which would vanish on the light background.
TEST(SettingsView, AChangeOfAppearanceWhileOpenRecoloursEveryTab) {
    const bool wasDark = Palette::current().isDark();
    auto appear = [](bool dark) {
        Palette::setDark(dark);
        QApplication::setPalette(Palette::current().qtPalette());
    };
    appear(true);
    {
        Window w;
        w.h.prefs->setIgnoredApps({u"org.example.gone"_s});
        w.h.prefs->setIgnoredVersions({{u"org.example.kept"_s, u"2.0"_s}});
        w.view.show();
        w.turn();
        appear(false);
        w.turn();
        auto* tabs = w.view.findChild<QTabWidget*>();
        ASSERT_NE(tabs, nullptr);
        int seen = 0;
        for (int i = 0; i < tabs->count(); ++i) {
            QWidget* page = tabs->widget(i);
            for (auto* label : page->findChildren<QLabel*>()) {
                if (!label->isVisibleTo(page) || label->text().isEmpty())
                    continue;
                ++seen;
                const QColor colour = label->palette().color(QPalette::WindowText);
                EXPECT_FALSE(colour.lightness() > 200 && colour.alphaF() > 0.3)
                    << qPrintable(tabs->tabText(i)) << ": " << qPrintable(label->text()) << " in "
                    << qPrintable(colour.name(QColor::HexArgb));
            }
        }
        EXPECT_GT(seen, 10);
    }
    appear(wasDark);
}
