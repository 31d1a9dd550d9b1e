#include "account/Auth.h"
#include "app/LiveCollaborators.h"
#include "model/Vault.h"
#include "sources/Net.h"
#include "store/Store.h"

#include "AuthEmulator.h"
#include "FakeShell.h"
#include "QtPrinters.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

// The store with its standard collaborators (the real stored session, identity calls and token
// renewal) against the real Authentication emulator, which `ctest -L emulator` starts.
namespace {

class StoreAuthEmulator : public ::testing::Test {
protected:
    void SetUp() override {
        const auto found = AuthEmulator::config();
        if (!found)
            GTEST_SKIP() << "the Authentication emulator is not running: scripts/emulators installs it and "
                            "`ctest -L emulator` starts it";
        config = *found;
        Vault::setFolder(vault.path());
        CloudConfig::setCurrentForTest(config);
    }
    void TearDown() override {
        Vault::setFolder(std::nullopt);
        CloudConfig::setCurrentForTest(std::nullopt);
    }
    // A store as the application builds it, as at a launch.
    std::unique_ptr<Store> launch() {
        Store::Collaborators c = LiveCollaborators::make();
        c.shell = &shell;
        return std::make_unique<Store>(std::move(c));
    }
    static QCoro::Task<void> twoResends(Store* store) {
        auto first = store->resendEmailConfirmation();
        auto second = store->resendEmailConfirmation();
        co_await std::move(first);
        co_await std::move(second);
    }

    CloudConfig config;
    QTemporaryDir vault;
    FakeShell shell;
};

} // namespace

TEST_F(StoreAuthEmulator, ConfirmsRenewsAndSignsOutThroughTheIdentityService) {
    const QString email = AuthEmulator::freshAddress();
    auto store = launch();
    runSync(store->signedIn(runSync(Auth::signUp(email, u"secret-pw"_s, config))));
    ASSERT_TRUE(store->session().has_value());
    EXPECT_EQ(Auth::load(), store->session());

    // An hour later: the token is renewed before the mail is asked for, and two presses send one.
    Session stale = *store->session();
    stale.expires = QDateTime::currentDateTimeUtc().addSecs(-1);
    stale.idToken = u"expired-token"_s;
    store->setSession(stale);
    runSync(twoResends(store.get()));
    ASSERT_TRUE(store->session().has_value());
    EXPECT_NE(store->session()->idToken, u"expired-token"_s);
    EXPECT_GT(store->session()->expires, QDateTime::currentDateTimeUtc());
    EXPECT_EQ(Auth::load(), store->session());
    const QStringList links = runSync(AuthEmulator::confirmationLinks(config, email));
    ASSERT_EQ(links.size(), 1);

    // "I've Confirmed" after following the mailed link.
    runSync(Net::get(QUrl(links.first())));
    runSync(store->refreshEmailConfirmation());
    EXPECT_EQ(store->session()->emailVerified, true);
    EXPECT_EQ(Auth::load()->emailVerified, true);

    store->signOut();
    EXPECT_EQ(store->session(), std::nullopt);
    store.reset();
    EXPECT_EQ(launch()->session(), std::nullopt); // the next launch starts signed out
}

TEST_F(StoreAuthEmulator, ARefusedRenewalEndsTheSession) {
    auto store = launch();
    const QString email = AuthEmulator::freshAddress();
    runSync(store->signedIn(runSync(Auth::signUp(email, u"secret-pw"_s, config))));
    Session revoked = *store->session();
    revoked.expires = QDateTime::currentDateTimeUtc().addSecs(-1);
    revoked.refreshToken = u"revoked"_s;
    store->setSession(revoked);

    EXPECT_FALSE(runSync(store->liveCloud(false)).has_value());
    EXPECT_EQ(store->session(), std::nullopt);
    EXPECT_EQ(store->syncError(), u"Your session ended. Sign in again."_s);
    EXPECT_EQ(Auth::load(), std::nullopt);
}
