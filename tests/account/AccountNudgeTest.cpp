#include "account/AccountChip.h"
#include "account/AccountNudge.h"

#include "QtPrinters.h"
#include "SampleSession.h"
#include "StoreHarness.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint64 week = 604800;

} // namespace

// Every condition of the invitation, and the chip that follows it or the confirmation.
TEST(AccountNudge, WantedAndTheChipFollowTheAccountAndTheRefusals) {
    const struct {
        const char* what;
        bool cloud;
        std::optional<Session> session;
        bool onboarded;
        qint64 dismissals;
        std::optional<qint64> dismissedAgo; // seconds
        bool wanted;
        std::optional<AccountChip::Kind> chip;
    } cases[] = {
        {"invited", true, std::nullopt, true, 0, std::nullopt, true, AccountChip::Kind::backup},
        {"no back end", false, std::nullopt, true, 0, std::nullopt, false, std::nullopt},
        {"not onboarded", true, std::nullopt, false, 0, std::nullopt, false, std::nullopt},
        {"declined 6 d 23 h ago", true, std::nullopt, true, 1, week - 3600, false, std::nullopt},
        {"declined exactly a week ago", true, std::nullopt, true, 1, week, false, std::nullopt},
        {"declined 8 days ago", true, std::nullopt, true, 2, 8 * 86400, true, AccountChip::Kind::backup},
        {"declined three times", true, std::nullopt, true, 3, 400 * 86400, false, std::nullopt},
        {"unconfirmed password account", true, sampleSession(u"password"_s, false), true, 0, std::nullopt, false,
         AccountChip::Kind::confirm},
        {"confirmation not known yet", true, sampleSession(u"password"_s, std::nullopt), true, 0, std::nullopt, false,
         std::nullopt},
        {"Google account", true, sampleSession(u"google.com"_s, false), true, 0, std::nullopt, false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StoreHarness h;
        if (c.cloud)
            h.cloud = CloudConfig::emulator(u"k"_s, u"demo-p"_s, u"127.0.0.1:1"_s);
        Store& store = h.build();
        store.setSession(c.session);
        h.prefs->setOnboarded(c.onboarded);
        h.prefs->setNudgeDismissals(c.dismissals);
        if (c.dismissedAgo)
            h.prefs->setNudgeDismissed(h.clock.now().addSecs(-*c.dismissedAgo));
        const QDateTime now = h.clock.now();
        EXPECT_EQ(AccountNudge::wanted(store, *h.prefs, now), c.wanted);
        const auto chip = AccountChip::choose(store, *h.prefs, now);
        EXPECT_EQ(chip ? std::optional(chip->kind) : std::nullopt, c.chip);
        // The card keeps off the library, which offers sign-in itself; the chip does not.
        store.setFilter(Filter::library);
        EXPECT_FALSE(AccountNudge::shouldShow(store, *h.prefs, now));
        EXPECT_EQ(AccountChip::choose(store, *h.prefs, now).has_value(), c.chip.has_value());
        for (const Filter filter : {Filter::all, Filter::updates, Filter::cantVerify, Filter::ignored}) {
            store.setFilter(filter);
            EXPECT_EQ(AccountNudge::shouldShow(store, *h.prefs, now), c.wanted);
        }
    }
}

TEST(AccountNudge, NotNowCountsARefusalAndSignInOpensTheLibrary) {
    StoreHarness h;
    h.cloud = CloudConfig::emulator(u"k"_s, u"demo-p"_s, u"127.0.0.1:1"_s);
    Store& store = h.build();
    h.prefs->setOnboarded(true);
    for (int refusal = 1; refusal <= 3; ++refusal) {
        AccountNudge::notNow(*h.prefs, h.clock.now());
        EXPECT_EQ(h.prefs->nudgeDismissals(), refusal);
        EXPECT_EQ(h.prefs->nudgeDismissed(), h.clock.now());
        EXPECT_FALSE(AccountNudge::wanted(store, *h.prefs, h.clock.now()));
        h.clock.setNow(h.clock.now().addSecs(week + 1));
        EXPECT_EQ(AccountNudge::wanted(store, *h.prefs, h.clock.now()), refusal < 3);
    }
    AccountNudge::signIn(store);
    EXPECT_EQ(store.filter(), Filter::library);
}

// Both chips open the main window; the backup chip first turns it to the library.
TEST(AccountChip, AClickOpensTheWindowWhereTheTaskIsDone) {
    StoreHarness h;
    Store& store = h.build();
    const struct {
        AccountChip::Kind kind;
        Filter before, after;
    } clicks[] = {
        {AccountChip::Kind::confirm, Filter::updates, Filter::updates},
        {AccountChip::Kind::backup, Filter::updates, Filter::library},
        {AccountChip::Kind::backup, Filter::library, Filter::library},
    };
    for (const auto& click : clicks) {
        store.setFilter(click.before);
        int opened = 0;
        AccountChip::act(store, click.kind, [&] { ++opened; });
        EXPECT_EQ(std::pair(store.filter(), opened), std::pair(click.after, 1));
    }
}
