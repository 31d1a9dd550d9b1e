#include "RowSamples.h"
#include "views/uninstall/UninstallChoice.h"

#include <gtest/gtest.h>

namespace {
const QString library = QStringLiteral("/home/u/Library");

Leftover leftover(const QString& relative, std::optional<qint64> size, bool ambiguous = false) {
    return Leftover{library + QLatin1Char('/') + relative, size, ambiguous};
}

UninstallChoice prompt(QList<Leftover> found) {
    UninstallChoice choice(RowSamples::app(), library);
    choice.setFound(std::move(found));
    return choice;
}
} // namespace

TEST(UninstallChoice, ButtonTitleByModeArmingAndCount) {
    struct Case {
        bool permanently;
        bool armed;
        int ticked;
        QString title;
    };
    const Case cases[] = {
        {false, false, 0, "Move to Trash"},
        {false, false, 1, "Move App and 1 Item to Trash"},
        {false, false, 3, "Move App and 3 Items to Trash"},
        {true, false, 0, "Delete Permanently…"},
        {true, false, 1, "Delete App and 1 Item Permanently…"},
        {true, true, 0, "Yes, Delete Permanently"},
        {true, true, 2, "Yes, Delete App and 2 Items Permanently"},
    };
    for (const auto& c : cases) {
        auto choice = prompt({leftover("Caches/a", 1), leftover("Preferences/b", 2), leftover("Logs/c", 3, true)});
        for (int i = 0; i < c.ticked; ++i)
            choice.setChosen((*choice.found())[i], true);
        choice.setPermanently(c.permanently);
        if (c.armed) {
            EXPECT_FALSE(choice.press());
        }
        EXPECT_EQ(choice.buttonTitle(), c.title);
    }
}

TEST(UninstallChoice, RemovalTakesWhatWasChosenAtThePress) {
    auto choice = UninstallChoice(RowSamples::app(), library);
    EXPECT_FALSE(choice.confirmEnabled()); // the search has not answered yet
    EXPECT_FALSE(choice.press());
    const QList<Leftover> found{leftover("Application Support/Example", 5000), leftover("Caches/shared", 10, true),
                                leftover("Preferences/org.example.app.plist", std::nullopt)};
    choice.setFound(found);

    // Ticking the box takes every unambiguous leftover, never an ambiguous one.
    choice.setAllData(true);
    EXPECT_TRUE(choice.allDataChosen());
    EXPECT_FALSE(choice.isChosen(found[1]));
    choice.setChosen(found[2], false);
    EXPECT_FALSE(choice.allDataChosen());
    choice.setChosen(found[2], true);
    choice.setChosen(found[1], true);

    // Permanent mode arms first; a change of mode disarms; ticking does not.
    choice.setPermanently(true);
    EXPECT_FALSE(choice.press());
    EXPECT_TRUE(choice.confirming());
    choice.setChosen(found[1], true);
    EXPECT_TRUE(choice.confirming());
    choice.setPermanently(false);
    choice.setPermanently(true);
    EXPECT_FALSE(choice.confirming());
    EXPECT_FALSE(choice.press());

    const auto removal = choice.press();
    ASSERT_TRUE(removal);
    EXPECT_EQ(removal->data, found); // the search's order, not the ticking order
    EXPECT_TRUE(removal->permanently);

    // While it runs nothing changes the removal or closes the prompt.
    EXPECT_TRUE(choice.working());
    EXPECT_FALSE(choice.canClose());
    EXPECT_FALSE(choice.confirmEnabled());
    choice.setPermanently(false);
    EXPECT_TRUE(choice.permanently());
    EXPECT_FALSE(choice.press());

    auto nothing = prompt({});
    const auto bare = nothing.press();
    ASSERT_TRUE(bare);
    EXPECT_TRUE(bare->data.isEmpty());
    EXPECT_FALSE(bare->permanently);
}

TEST(UninstallChoice, Texts) {
    auto choice = prompt({leftover("Application Support/Example", 1'234'567), leftover("Caches/x", std::nullopt),
                          leftover("Caches/shared", 800, true)});
    EXPECT_EQ(choice.title(), QStringLiteral("Move \u2068Example\u2069 to the Trash?"));
    EXPECT_EQ(choice.subtitle(), QStringLiteral("\u20681.2\u2069  ·  \u2068/Applications/Example.app\u2069"));
    EXPECT_EQ(choice.total(), QStringLiteral("1.2 MB"));
    EXPECT_EQ(choice.caption(), QStringLiteral("3 items, 1.2 MB in your Library. Tick only what you want gone; shared "
                                               "folders (an SDK, say) may be used by other apps."));
    EXPECT_EQ(choice.allDataAccessibility(), QStringLiteral("Also delete its data and settings, 2 items"));
    const auto& found = *choice.found();
    EXPECT_EQ(choice.rowLabel(found[0]), QStringLiteral("Application Support/Example"));
    EXPECT_EQ(choice.rowSize(found[0]), QStringLiteral("1.2 MB"));
    EXPECT_EQ(choice.rowSize(found[1]), QStringLiteral("—"));
    EXPECT_EQ(choice.rowAccessibility(found[0]),
              QStringLiteral("Delete \u2068Example\u2069, in \u2068Application Support\u2069"));
    EXPECT_EQ(choice.rowAccessibility(found[2]),
              QStringLiteral("Delete \u2068shared\u2069, in \u2068Caches\u2069, may belong to another app"));
    EXPECT_EQ(choice.modeNote(),
              QStringLiteral("Everything goes to the Trash, so you can put it back from Finder until you empty it."));
    choice.setPermanently(true);
    EXPECT_EQ(choice.title(), QStringLiteral("Delete \u2068Example\u2069 permanently?"));
    EXPECT_EQ(choice.modeNote(), QStringLiteral("Deleted items skip the Trash and can't be recovered."));

    auto one = prompt({leftover("Caches/a", 0), leftover("Caches/b", std::nullopt)});
    EXPECT_FALSE(one.total());
    EXPECT_EQ(one.caption().left(9), QStringLiteral("2 items i"));
    auto ambiguousOnly = prompt({leftover("Caches/a", 1, true)});
    EXPECT_FALSE(ambiguousOnly.allDataEnabled());
    EXPECT_FALSE(ambiguousOnly.allDataChosen());
    EXPECT_EQ(ambiguousOnly.caption().left(8), QStringLiteral("1 item, "));
    EXPECT_EQ(ambiguousOnly.allDataAccessibility(), QStringLiteral("Also delete its data and settings, 0 items"));
}
