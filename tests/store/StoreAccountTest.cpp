#include "account/AccountHooks.h"
#include "library/LibraryHooks.h"
#include "runtime/AuthError.h"
#include "store/Store.h"

#include "FakeClock.h"
#include "FakeShell.h"
#include "QtPrinters.h"
#include "RunSync.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace {

Session account(const QString& uid, const QString& provider = u"password"_s,
                std::optional<bool> verified = std::nullopt) {
    Session s;
    s.uid = uid;
    s.email = uid + u"@example.com"_s;
    s.idToken = u"id"_s;
    s.refreshToken = u"refresh"_s;
    s.expires = QDateTime(QDate(2030, 1, 1), QTime(0, 0), Qt::UTC);
    s.provider = provider;
    s.name = u"Ada"_s;
    s.emailVerified = verified;
    return s;
}

// The account seam with answers the test sets; the profile lookup takes a second of the fake
// clock, so that the test can act while it runs.
class FakeAccount final : public AccountHooks {
public:
    std::optional<Session> load() override { return std::nullopt; }
    void save(std::optional<Session> session) override { saved.append(std::move(session)); }
    QCoro::Task<void> sendEmailConfirmation(Session session, CloudConfig) override {
        sent.append(session.uid);
        if (sendFails)
            throw AuthError(u"Too many attempts. Wait a few minutes and try again."_s, u"TOO_MANY_ATTEMPTS_TRY_LATER"_s);
        co_return;
    }
    QCoro::Task<Profile> profile(Session session, CloudConfig) override {
        looked.append(session.uid);
        co_await Clock::shared().sleep(std::chrono::seconds(1));
        if (lookupFails)
            throw std::runtime_error("offline");
        co_return Profile{u"Someone else"_s, verified};
    }
    std::optional<CloudConfig> current() override { return config; }

    std::optional<CloudConfig> config = CloudConfig::emulator(u"k"_s, u"demo-p"_s, u"127.0.0.1:1"_s);
    bool sendFails = false;
    bool lookupFails = false;
    bool verified = true;
    QList<std::optional<Session>> saved;
    QStringList sent;
    QStringList looked;
};

// Without `client` the token renewal fails as offline, so an expired session gets no client.
class FakeLibrary final : public LibraryHooks {
public:
    QCoro::Task<Session> refresh(Session session, CloudConfig) override {
        if (!client)
            throw std::runtime_error("offline");
        session.expires = QDateTime(QDate(2030, 1, 1), QTime(0, 0), Qt::UTC);
        co_return session;
    }
    QCoro::Task<QList<LibraryApp>> apps(Cloud) override { co_return {}; }
    // Read once per sync, at its end.
    QCoro::Task<QList<Device>> devices(Cloud) override {
        syncErrorsAtSync.append(store->syncError());
        co_return {};
    }
    QCoro::Task<int> sync(Cloud, QList<Cloud::Scanned>, QList<LibraryApp>, QString) override { co_return 1; }
    QCoro::Task<void> remove(Cloud, QStringList) override { co_return; }
    QCoro::Task<void> deleteLibrary(Cloud) override { co_return; }
    QCoro::Task<void> saveProfile(Cloud, std::optional<QString> name, QString email) override {
        profiles.append(name.value_or(u"-"_s) + u" <"_s + email + u">"_s);
        if (profileFails)
            throw std::runtime_error("denied");
        co_return;
    }
    QCoro::Task<void> deleteAccount(Session, CloudConfig) override { co_return; }

    Store* store = nullptr;
    bool client = true;
    bool profileFails = false;
    QStringList profiles;
    QList<std::optional<QString>> syncErrorsAtSync;
};

Session expired(Session session) {
    session.expires = QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
    return session;
}

class StoreAccount : public ::testing::Test {
protected:
    std::unique_ptr<Store> make() {
        Store::Collaborators c = Store::Collaborators::standard();
        c.account = fakeAccount;
        c.library = fakeLibrary;
        c.shell = &shell;
        c.clock = &clock;
        auto store = std::make_unique<Store>(std::move(c));
        fakeLibrary->store = store.get();
        return store;
    }
    QString resendFailure(Store& store) {
        try {
            runSync(store.resendEmailConfirmation());
        } catch (const AuthError& error) {
            return error.description();
        }
        return u"<no error>"_s;
    }
    // Runs the refresh to its end, doing `during` while the lookup is under way.
    void refresh(Store& store, const std::function<void()>& during = {}) {
        bool done = false;
        auto task = [](Store* s, bool* finished) -> QCoro::Task<void> {
            co_await s->refreshEmailConfirmation();
            *finished = true;
        }(&store, &done);
        if (during)
            during();
        for (int i = 0; i < 3 && !done; ++i)
            clock.advanceSeconds(1);
        EXPECT_TRUE(done);
    }

    FakeShell shell;
    FakeClock clock;
    std::shared_ptr<FakeAccount> fakeAccount = std::make_shared<FakeAccount>();
    std::shared_ptr<FakeLibrary> fakeLibrary = std::make_shared<FakeLibrary>();
};

} // namespace

// Confirmed accounts, so that no e-mail lookup runs before the sync.
TEST_F(StoreAccount, SigningInSavesTheSessionAndItsProfileBeforeTheFirstSync) {
    auto store = make();
    store->setSyncError(u"An old failure."_s);
    runSync(store->signedIn(account(u"ada"_s, u"password"_s, true)));
    EXPECT_EQ(store->session(), account(u"ada"_s, u"password"_s, true));
    EXPECT_EQ(fakeAccount->saved, (QList<std::optional<Session>>{account(u"ada"_s, u"password"_s, true)}));
    EXPECT_EQ(fakeLibrary->profiles, QStringList{u"Ada <ada@example.com>"_s});
    EXPECT_EQ(fakeLibrary->syncErrorsAtSync, (QList<std::optional<QString>>{std::nullopt}));

    // A failed profile write is ignored; without a client nothing is written, yet the sync runs.
    fakeLibrary->profileFails = true;
    runSync(store->signedIn(account(u"bob"_s, u"password"_s, true)));
    fakeLibrary->client = false;
    runSync(store->signedIn(expired(account(u"cy"_s, u"password"_s, true))));
    EXPECT_EQ(fakeLibrary->profiles.size(), 2);
    EXPECT_EQ(fakeLibrary->syncErrorsAtSync.size(), 2); // no client, no library read
    EXPECT_EQ(store->session()->uid, u"cy"_s);
}

TEST_F(StoreAccount, ResendWaitsAMinuteAndSaysOfflineWithoutABackEnd) {
    auto store = make();
    const QString offline = u"You're offline. Try again in a moment."_s;
    EXPECT_EQ(store->confirmationWait(clock.now()), 0);
    EXPECT_EQ(resendFailure(*store), offline); // no session
    store->setSession(expired(account(u"ada"_s)));
    fakeLibrary->client = false;
    EXPECT_EQ(resendFailure(*store), offline); // no client
    fakeLibrary->client = true;

    EXPECT_EQ(resendFailure(*store), u"<no error>"_s);
    const QDateTime sent = clock.now();
    EXPECT_EQ(store->confirmationWait(sent), 60);
    EXPECT_EQ(store->confirmationWait(sent.addMSecs(12300)), 48);
    EXPECT_EQ(store->confirmationWait(sent.addMSecs(59500)), 1);
    EXPECT_EQ(store->confirmationWait(sent.addSecs(60)), 0);
    clock.advanceSeconds(30);
    EXPECT_EQ(resendFailure(*store), u"<no error>"_s); // inside the wait: nothing is sent
    EXPECT_EQ(fakeAccount->sent, QStringList{u"ada"_s});

    clock.advanceSeconds(30);
    fakeAccount->sendFails = true;
    EXPECT_EQ(resendFailure(*store), u"Too many attempts. Wait a few minutes and try again."_s);
    EXPECT_EQ(store->confirmationSentAt(), std::nullopt); // the user may try again at once

    fakeAccount->config = std::nullopt;
    auto unconfigured = make();
    unconfigured->setSession(account(u"ada"_s));
    EXPECT_EQ(resendFailure(*unconfigured), offline);
}

TEST_F(StoreAccount, RefreshAsksOnlyForUnconfirmedPasswordAccounts) {
    auto store = make();
    store->setSession(account(u"g"_s, u"google.com"_s));
    refresh(*store);
    store->setSession(account(u"done"_s, u"password"_s, true));
    refresh(*store);
    EXPECT_TRUE(fakeAccount->looked.isEmpty());

    // Not yet known: the answer is stored even when it is false, and the name is not used.
    fakeAccount->verified = false;
    store->setSession(account(u"ada"_s));
    refresh(*store);
    EXPECT_EQ(store->session(), account(u"ada"_s, u"password"_s, false));
    EXPECT_EQ(fakeAccount->saved, (QList<std::optional<Session>>{account(u"ada"_s, u"password"_s, false)}));
    // The same answer again changes nothing; a failed lookup leaves it as it was.
    refresh(*store);
    fakeAccount->lookupFails = true;
    refresh(*store);
    EXPECT_EQ(fakeAccount->saved.size(), 1);
    EXPECT_EQ(fakeAccount->looked, (QStringList{u"ada"_s, u"ada"_s, u"ada"_s}));
}

// The answer belongs to the account that was asked about: signing out, or in as someone else,
// while the lookup runs must not bring the old session back.
TEST_F(StoreAccount, RefreshAppliesItsAnswerOnlyToTheSameAccountAfterTheCall) {
    auto store = make();
    store->setSession(account(u"ada"_s));
    refresh(*store, [&] { store->signOut(); });
    EXPECT_EQ(store->session(), std::nullopt);
    EXPECT_EQ(fakeAccount->saved, (QList<std::optional<Session>>{std::nullopt})); // the sign-out's
    fakeAccount->saved.clear();

    store->setSession(account(u"ada"_s));
    refresh(*store, [&] { store->setSession(account(u"bob"_s)); });
    EXPECT_EQ(store->session(), account(u"bob"_s));
    EXPECT_TRUE(fakeAccount->saved.isEmpty());

    // A renewal of the same account during the call keeps its new tokens.
    Session renewed = account(u"ada"_s);
    renewed.idToken = u"id-2"_s;
    store->setSession(account(u"ada"_s));
    refresh(*store, [&] { store->setSession(renewed); });
    renewed.emailVerified = true;
    EXPECT_EQ(store->session(), renewed);
    EXPECT_EQ(fakeAccount->saved, (QList<std::optional<Session>>{renewed}));
}
