#include "RowSamples.h"
#include "model/Motion.h"
#include "views/cards/RowMenu.h"
#include "views/kit/ElidedLabel.h"
#include "views/uninstall/UninstallPrompt.h"

#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

TEST(ElidedLabel, CutsLongAddressesInTheMiddleWithinTwoLines) {
    const QString url = QStringLiteral("https://example.org/a/rather/long/path/to/the/feed/of/this/application/"
                                       "and/then/some/more/segments/appcast.xml?channel=stable");
    ElidedLabel label(url, Qt::ElideMiddle, 2);
    label.resize(180, 40);
    const QStringList lines = label.lines(180);
    ASSERT_EQ(lines.size(), 2);
    const QString shown = lines.join(QString());
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    EXPECT_TRUE(shown.startsWith(QStringLiteral("https://")));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("stable")));
    EXPECT_TRUE(label.elided());
    for (const QString& line : lines)
        EXPECT_LE(QFontMetricsF(label.font()).horizontalAdvance(line), 180.5);

    ElidedLabel fits(QStringLiteral("short"), Qt::ElideMiddle, 2);
    EXPECT_EQ(fits.lines(180), QStringList{QStringLiteral("short")});
}

TEST(UninstallPrompt, ClosesUntilTheRemovalStartsAndRemovesOnlyOnTheConfirmButton) {
    Motion::setInstantForTests(true);
    QWidget window;
    window.resize(880, 640);
    int closes = 0;
    QList<bool> removals;
    UninstallPrompt::Operations operations;
    operations.close = [&] { ++closes; };
    // The removal never returns here, so the prompt stays in its removing state.
    UninstallPrompt prompt(RowSamples::app(), QStringLiteral("/home/u/Library"), operations, &window);
    EXPECT_FALSE(prompt.confirmButton()->isEnabled());
    EXPECT_EQ(prompt.card()->width(), 520);
    EXPECT_EQ(prompt.geometry(), window.rect());

    prompt.cancelButton()->click();
    EXPECT_EQ(closes, 1);
    prompt.showFound({Leftover{QStringLiteral("/home/u/Library/Caches/x"), 10, false}});
    EXPECT_TRUE(prompt.confirmButton()->isEnabled());
    EXPECT_EQ(prompt.confirmButton()->shortcut(), QKeySequence());

    prompt.permanentButton()->click();
    prompt.confirmButton()->click();
    EXPECT_EQ(prompt.confirmButton()->text(), QStringLiteral("Yes, Delete Permanently"));
    prompt.confirmButton()->click();
    EXPECT_TRUE(prompt.choice().working());
    EXPECT_FALSE(prompt.confirmButton()->isEnabled());
    EXPECT_FALSE(prompt.permanentButton()->isEnabled());
    prompt.cancelButton()->click();
    EXPECT_EQ(closes, 1);
    Motion::setInstantForTests(false);
}

// A name with "&" reads as itself in the row's menu, not as the mark of a shortcut key.
TEST(RowMenu, AnAmpersandInANameIsShownNotTakenForAShortcut) {
    auto facts = RowSamples::row();
    facts.app.name = QStringLiteral("Mail & Calendar");
    QWidget parent;
    const QMenu* menu = RowMenu::make(facts, [](const RowAction&) {}, &parent);
    QStringList shown;
    for (const QAction* action : menu->actions())
        shown << action->iconText(); // the text as the menu draws it, marks taken out
    EXPECT_TRUE(shown.contains(QStringLiteral("Ignore \u2068Mail & Calendar\u2069"))) << shown.join(u'|').toStdString();
}
