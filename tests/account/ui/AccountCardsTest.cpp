#include "account/ConfirmEmailTileModel.h"
#include "account/ui/AccountButton.h"
#include "account/ui/AccountChipView.h"
#include "account/ui/AccountNudgeCard.h"
#include "account/ui/ConfirmEmailTile.h"

#include "FakeIdentity.h"
#include "QtPrinters.h"
#include "SampleSession.h"
#include "RunSync.h"
#include "StoreHarness.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QJsonArray>
#include <QLabel>

using namespace Qt::Literals::StringLiterals;

namespace {

// A signed-in, unconfirmed password account with the fake service as its back end.
class ConfirmEmailTileView : public ::testing::Test {
protected:
    ConfirmEmailTileView() {
        h.cloud = identity.config();
        h.build().setSession(sampleSession(u"password"_s, false));
    }
    Store& store() { return h.store(); }
    FakeIdentity identity;
    StoreHarness h;
};

} // namespace

// The resend button counts down once a second; the application becoming active asks the
// service again, and the confirmed state arrives without a word from the tile.
TEST_F(ConfirmEmailTileView, CountsDownAndAsksAgainWhenTheAppBecomesActive) {
    Store& store = this->store();
    store.setConfirmationSentAt(h.clock.now().addMSecs(-400));
    ConfirmEmailTile tile(store, u"ada@example.com"_s);
    QApplication::processEvents();
    EXPECT_EQ(tile.resendButton()->text(), u"Resend in 60s"_s);
    EXPECT_FALSE(tile.resendButton()->isEnabled());
    EXPECT_EQ(
        tile.text()->text(),
        u"We sent a link to \u2068ada@example.com\u2069. Confirming it makes sure your backup belongs to an inbox you own."_s);
    h.clock.advanceSeconds(59);
    QApplication::processEvents();
    EXPECT_EQ(tile.resendButton()->text(), u"Resend in 1s"_s);
    h.clock.advanceSeconds(1);
    QApplication::processEvents();
    EXPECT_EQ(tile.resendButton()->text(), u"Resend"_s);
    EXPECT_TRUE(tile.resendButton()->isEnabled());

    identity.answerLookup(true);
    Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
    ASSERT_TRUE(waitUntil([&] { return store.session()->emailVerified == true; }));
    EXPECT_FALSE(tile.model().message().has_value());
    EXPECT_TRUE(tile.confirmedButton()->isEnabled());
}

// "I've Confirmed" on a still unconfirmed account says so in place of the explanation.
TEST_F(ConfirmEmailTileView, IveConfirmedShowsTheNotYetSentence) {
    Store& store = this->store();
    identity.answerLookup(false);
    ConfirmEmailTile tile(store, u"ada@example.com"_s);
    tile.confirmedButton()->click();
    QApplication::processEvents();
    EXPECT_FALSE(tile.resendButton()->isEnabled()); // both wait while one runs
    EXPECT_FALSE(tile.confirmedButton()->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return !tile.model().working(); }));
    QApplication::processEvents();
    EXPECT_EQ(tile.text()->text(), u"Not confirmed yet. Open the link in the email from Quenlark, then try again."_s);
    EXPECT_TRUE(tile.resendButton()->isEnabled());
}

// The chip shows the task the store calls for and goes when it is done; the nudge's answers.
TEST(AccountChipView, FollowsTheStoreAndTheNudgeAnswers) {
    StoreHarness h;
    h.cloud = CloudConfig::emulator(u"k"_s, u"demo-p"_s, u"127.0.0.1:1"_s);
    Store& store = h.build();
    h.prefs->setOnboarded(true);
    int opened = 0;
    QWidget island;
    AccountChipView& chip = *new AccountChipView(
        store, *h.prefs, [&] { ++opened; }, &island);
    AccountNudgeCard nudge(store, *h.prefs);
    const struct {
        std::optional<Session> session;
        QString title;
    } states[] = {
        {std::nullopt, u"Back up"_s},
        {sampleSession(u"password"_s, false), u"Confirm email"_s},
        {sampleSession(u"password"_s, std::nullopt), QString()},
        {sampleSession(u"password"_s, true), QString()},
    };
    for (const auto& state : states) {
        store.setSession(state.session);
        QApplication::processEvents();
        EXPECT_EQ(!chip.isHidden(), !state.title.isEmpty());
        EXPECT_EQ(chip.chip() ? chip.chip()->title : QString(), state.title);
    }
    EXPECT_EQ(chip.toolTip(), u"Confirm \u2068ada@example.com\u2069 so your backup belongs to an inbox you own"_s);

    store.setSession(std::nullopt);
    QApplication::processEvents();
    store.setFilter(Filter::updates);
    chip.click();
    EXPECT_EQ(std::pair(store.filter(), opened), std::pair(Filter::library, 1));

    nudge.notNowButton()->click();
    QApplication::processEvents();
    EXPECT_EQ(h.prefs->nudgeDismissals(), 1);
    EXPECT_TRUE(chip.isHidden()); // declined: no invitation for a week
    store.setFilter(Filter::all);
    nudge.signInButton()->click();
    EXPECT_EQ(store.filter(), Filter::library);
}
