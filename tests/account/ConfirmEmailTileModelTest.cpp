#include "account/ConfirmEmailTileModel.h"

#include "FakeIdentity.h"
#include "QtPrinters.h"
#include "SampleSession.h"
#include "RunSync.h"
#include "StoreHarness.h"

#include <gtest/gtest.h>

#include <QJsonArray>

using namespace Qt::Literals::StringLiterals;

namespace {

class ConfirmTile : public ::testing::Test {
protected:
    ConfirmTile() {
        h.cloud = fake.config();
        h.build().setSession(sampleSession());
    }
    Store& store() { return h.store(); }

    FakeIdentity fake;
    StoreHarness h;
};

} // namespace

// The title follows the store's wait as the tile ticks once a second.
TEST_F(ConfirmTile, TheCountdownTicksFromTheLastSending) {
    ConfirmEmailTileModel tile(store(), u"ada@example.com"_s);
    EXPECT_EQ(tile.resendTitle(), u"Resend"_s);
    EXPECT_TRUE(tile.resendEnabled());

    store().setConfirmationSentAt(h.clock.now().addMSecs(-400));
    const struct {
        double after; // seconds of ticking
        QString title;
        bool enabled;
    } ticks[] = {
        {0, u"Resend in 60s"_s, false}, // 0.4 s after the sending
        {1, u"Resend in 59s"_s, false}, {42, u"Resend in 18s"_s, false},
        {59, u"Resend in 1s"_s, false}, {60, u"Resend"_s, true},
    };
    double spent = 0;
    for (const auto& t : ticks) {
        h.clock.advanceSeconds(t.after - spent);
        spent = t.after;
        EXPECT_EQ(tile.resendTitle(), t.title) << t.after;
        EXPECT_EQ(tile.resendEnabled(), t.enabled) << t.after;
    }
}

// A sent mail is reported; a refusal by the service becomes the message; a resend while the
// wait runs sends nothing and reports nothing.
TEST_F(ConfirmTile, ResendReportsOnlyWhatHappened) {
    const struct {
        const char* what;
        double sentAgo; // <0: nothing sent since the start
        std::function<void(FakeIdentity&)> server;
        std::optional<QString> message;
        int sends;
        bool waiting;
    } cases[] = {
        {"sent", -1, [](FakeIdentity& f) { f.answerJson("sendOobCode", {}); },
         u"Sent again to \u2068ada@example.com\u2069. It can take a minute to arrive."_s, 1, true},
        {"refused", -1, [](FakeIdentity& f) { f.fail("sendOobCode", "TOO_MANY_ATTEMPTS_TRY_LATER"); },
         u"Too many attempts. Wait a few minutes and try again."_s, 1, false},
        {"within the wait", 30, [](FakeIdentity& f) { f.answerJson("sendOobCode", {}); }, std::nullopt, 0, true},
        {"after the wait", 61, [](FakeIdentity& f) { f.answerJson("sendOobCode", {}); },
         u"Sent again to \u2068ada@example.com\u2069. It can take a minute to arrive."_s, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t before = fake.calls().size();
        h.clock.setNow(h.clock.now().addSecs(3600)); // well past any earlier sending
        store().setConfirmationSentAt(c.sentAgo < 0 ? std::nullopt
                                                    : std::optional(h.clock.now().addMSecs(qint64(-c.sentAgo * 1000))));
        c.server(fake);
        ConfirmEmailTileModel tile(store(), u"ada@example.com"_s);
        runSync(tile.resend());
        EXPECT_EQ(tile.message(), c.message);
        EXPECT_FALSE(tile.working());
        EXPECT_EQ(fake.calls().size() - before, size_t(c.sends));
        EXPECT_EQ(store().confirmationWait(h.clock.now()) > 0, c.waiting);
        EXPECT_EQ(tile.text(), c.message.value_or(u"We sent a link to \u2068ada@example.com\u2069. Confirming it makes "
                                                  u"sure your backup belongs to an inbox you own."_s));
    }
}

// "I've Confirmed" speaks only for an account still known to be unconfirmed.
TEST_F(ConfirmTile, IveConfirmedSpeaksOnlyWhileStillUnconfirmed) {
    const struct {
        bool verified;
        std::optional<QString> message;
    } cases[] = {
        {false, u"Not confirmed yet. Open the link in the email from Quenlark, then try again."_s},
        {true, std::nullopt},
    };
    for (const auto& c : cases) {
        store().setSession(sampleSession());
        fake.answerLookup(c.verified);
        ConfirmEmailTileModel tile(store(), u"ada@example.com"_s);
        EXPECT_TRUE(tile.confirmedEnabled());
        runSync(tile.confirmed());
        EXPECT_EQ(tile.message(), c.message);
        EXPECT_FALSE(tile.working());
        EXPECT_EQ(store().session()->emailVerified, c.verified);
    }
}
