#include "library/LibraryPromptModel.h"
#include "runtime/MakeShared.h"
#include "store/LibraryItem.h"

#include "QtPrinters.h"
#include "RunSync.h"
#include "StoreHarness.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace {

std::shared_ptr<LibraryItem> entry(const QString& name, bool installedSomewhere) {
    LibraryApp app;
    app.id = u"com.example."_s + name.toLower();
    app.name = name;
    app.devices.insert(u"d1"_s, {u"1.0"_s, installedSomewhere, QDateTime::currentDateTimeUtc()});
    return makeShared<LibraryItem>(app);
}

// Asks one package question and keeps its answer.
QCoro::Task<void> ask(Store& s, std::optional<bool>& answer) {
    answer = co_await s.askPackageConsent({u"Ledger"_s, u"Ada"_s, u"AAAAAAAAAA"_s, true, true, true});
}

} // namespace

// The card's texts: the facts a package passed, in their order, and the removal's wording by
// count and by how many entries are still on a Mac.
TEST(LibraryPromptModel, WordsTheQuestion) {
    const struct {
        bool checksum, sameTeam, notarized;
        QStringList facts;
    } consents[] = {
        {false, false, false, {u"Signed by \u2068Ada Example\u2069"_s}},
        {true,
         true,
         true,
         {u"Checksum matches the Homebrew cask"_s, u"Signed by \u2068Ada Example\u2069"_s,
          u"Same developer team (\u2068AAAAAAAAAA\u2069) as on your other Mac"_s, u"Notarized by Apple"_s}},
        {false,
         true,
         false,
         {u"Signed by \u2068Ada Example\u2069"_s,
          u"Same developer team (\u2068AAAAAAAAAA\u2069) as on your other Mac"_s}},
    };
    // Names from the library and the download are cleaned like all outside text.
    for (const auto& c : consents) {
        const ConsentFacts sheet = ConsentFacts::of(
            {u"Led\u202Eger\n\a"_s, u"Ada\nExample"_s, u"AAAAAAAAAA"_s, c.notarized, c.sameTeam, c.checksum});
        EXPECT_EQ(sheet.facts, c.facts);
        EXPECT_EQ(sheet.title, u"\u2068Ledger\u2069 installs with a package and needs your administrator password"_s);
    }

    const QString single = u"It won't be listed for your other Macs any more, so you can't reinstall it from here. "
                           u"Nothing is uninstalled."_s;
    const QString several = u"They won't be listed for your other Macs any more, so you can't reinstall them from "
                            u"here. Nothing is uninstalled."_s;
    const struct {
        QList<bool> installed;
        QString title, explanation;
        std::optional<QString> warning;
    } removals[] = {
        {{false}, u"Remove \u2068Ledger\u2069 from your Library?"_s, single, std::nullopt},
        {{true},
         u"Remove \u2068Ledger\u2069 from your Library?"_s,
         single,
         u"It's still on one of your Macs, so that Mac adds it back the next time it syncs."_s},
        {{false, true, false},
         u"Remove 3 apps from your Library?"_s,
         several,
         u"1 of them is still on one of your Macs, and comes back when that Mac syncs."_s},
        {{true, true, false},
         u"Remove 3 apps from your Library?"_s,
         several,
         u"2 of them are still on one of your Macs, and come back when that Mac syncs."_s},
        {{false, false}, u"Remove 2 apps from your Library?"_s, several, std::nullopt},
    };
    for (const auto& r : removals) {
        Store::LibraryRows items;
        for (const bool installed : r.installed)
            items.append(
                entry(items.isEmpty() ? u"Led\u202Eger\n"_s : u"App"_s + QString::number(items.size()), installed));
        const RemovalWording wording = RemovalWording::of(items);
        EXPECT_EQ(wording.title, r.title);
        EXPECT_EQ(wording.explanation, r.explanation);
        EXPECT_EQ(wording.warning, r.warning);
    }
}

// A consent hides a removal until it is answered; each card settles only its own question, so
// a second click that lands after the next package's question was asked leaves that one open.
TEST(LibraryPromptModel, AnswersOnlyTheQuestionItShowed) {
    StoreHarness h;
    Store& s = h.build();
    const Store::LibraryRows removal{entry(u"Ledger"_s, false)};
    s.setLibraryRemoval(removal);

    std::optional<bool> first, second;
    auto firstDone = h.start(ask(s, first));
    ASSERT_EQ(LibraryPromptModel::pending(s), LibraryPromptModel::Kind::consent);
    LibraryPromptModel consent(s);
    EXPECT_EQ(consent.kind(), LibraryPromptModel::Kind::consent);
    consent.cancel(); // not a removal card: nothing
    EXPECT_TRUE(s.packageConsent());
    consent.answer(true);
    EXPECT_FALSE(s.packageConsent());
    QCoreApplication::processEvents();
    EXPECT_TRUE(*firstDone);
    EXPECT_EQ(first, true);

    auto secondDone = h.start(ask(s, second));
    consent.answer(false); // the double click's second half
    QCoreApplication::processEvents();
    EXPECT_TRUE(s.packageConsent());
    EXPECT_FALSE(*secondDone);
    LibraryPromptModel(s).answer(false);
    QCoreApplication::processEvents();
    EXPECT_EQ(second, false);

    // The removal waited behind the consent; Cancel clears it once, and not the next list.
    LibraryPromptModel card(s);
    ASSERT_EQ(card.kind(), LibraryPromptModel::Kind::removal);
    EXPECT_EQ(card.removal()->title, u"Remove \u2068Ledger\u2069 from your Library?"_s);
    EXPECT_TRUE(card.asks(s));
    s.setLibraryRemoval(Store::LibraryRows{entry(u"Other"_s, false)});
    EXPECT_FALSE(card.asks(s)); // another row's list: a card of its own
    s.setLibraryRemoval(removal);
    card.cancel();
    EXPECT_FALSE(card.asks(s));
    EXPECT_FALSE(s.libraryRemoval());
    s.setLibraryRemoval(removal);
    card.cancel();
    card.remove();
    EXPECT_TRUE(s.libraryRemoval());
    EXPECT_EQ(LibraryPromptModel(s).kind(), LibraryPromptModel::Kind::removal);
}
