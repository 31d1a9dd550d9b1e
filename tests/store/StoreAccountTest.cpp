#include "app/LiveCollaborators.h"
#include "runtime/AuthError.h"
#include "runtime/MakeShared.h"
#include "runtime/TransportError.h"
#include "store/AccountHooks.h"
#include "store/LibraryHooks.h"
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
class FakeAccountHooks final : public AccountHooks {
public:
    std::optional<Session> load() override { return std::nullopt; }
    void save(std::optional<Session> session) override { saved.append(std::move(session)); }
    QCoro::Task<void> sendEmailConfirmation(Session session, CloudConfig) override {
        sent.append(session.uid);
        if (sendFails)
            throw AuthError(u"Too many attempts. Wait a few minutes and try again."_s,
                            u"TOO_MANY_ATTEMPTS_TRY_LATER"_s);
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
    QCoro::Task<bool> keepsSessions() override { co_return keeps; }
    void signedOut() override { ++signOuts; }
    // Takes a second of the fake clock, like the lookup.
    QCoro::Task<Session> refresh(Session session, CloudConfig) override {
        ++renewals;
        co_await Clock::shared().sleep(std::chrono::seconds(1));
        if (refreshError)
            std::rethrow_exception(refreshError);
        session.idToken = u"id-"_s + QString::number(renewals);
        session.expires = Clock::shared().now().addSecs(3480);
        co_return session;
    }

    std::optional<CloudConfig> config = CloudConfig::emulator(u"k"_s, u"demo-p"_s, u"127.0.0.1:1"_s);
    bool keeps = true;
    int signOuts = 0;
    int renewals = 0;
    std::exception_ptr refreshError;
    bool sendFails = false;
    bool lookupFails = false;
    bool verified = true;
    QList<std::optional<Session>> saved;
    QStringList sent;
    QStringList looked;
};

class FakeLibraryHooks final : public LibraryHooks {
public:
    QCoro::Task<Listing<LibraryApp>> apps(CloudAccess) override { co_return {}; }
    // Read once per sync, at its end.
    QCoro::Task<Listing<Device>> devices(CloudAccess) override {
        syncErrorsAtSync.append(store->syncError());
        co_return {};
    }
    QCoro::Task<int> sync(CloudAccess, QList<ScannedApp>, QList<LibraryApp>, QString) override { co_return 1; }
    QCoro::Task<void> remove(CloudAccess, QStringList) override { co_return; }
    QCoro::Task<void> deleteLibrary(CloudAccess) override { co_return; }
    QCoro::Task<void> saveProfile(CloudAccess cloud, std::optional<QString> name, QString email) override {
        profiles.append(cloud.session.uid + u": "_s + name.value_or(u"-"_s) + u" <"_s + email + u">"_s);
        if (profileFails)
            throw std::runtime_error("denied");
        co_return;
    }
    QCoro::Task<void> deleteAccount(Session, CloudConfig) override { co_return; }

    Store* store = nullptr;
    bool profileFails = false;
    QStringList profiles;
    QList<std::optional<QString>> syncErrorsAtSync;
};

class StoreAccount : public ::testing::Test {
protected:
    std::unique_ptr<Store> make() {
        Store::Collaborators c = LiveCollaborators::make();
        c.account = fakeAccount;
        c.library = fakeLibrary;
        c.shell = &shell;
        c.clock = &clock;
        auto store = std::make_unique<Store>(std::move(c));
        fakeLibrary->store = store.get();
        return store;
    }
    // Runs `task` to its end, advancing the fake clock a second at a time while it waits (the
    // fakes' renewals and lookups take one), and gives what it threw ("<no error>" else).
    QString finish(QCoro::Task<void> task, const std::function<void()>& during = {}) {
        bool done = false;
        QString failure = u"<no error>"_s;
        auto driven = [](QCoro::Task<void> t, bool* finished, QString* error) -> QCoro::Task<void> {
            try {
                co_await std::move(t);
            } catch (const AuthError& e) {
                *error = e.description();
            }
            *finished = true;
        }(std::move(task), &done, &failure);
        if (during)
            during();
        for (int i = 0; i < 5 && !done; ++i)
            clock.advanceSeconds(1);
        EXPECT_TRUE(done);
        return failure;
    }
    QString resendFailure(Store& store) { return finish(store.resendEmailConfirmation()); }
    // Runs the refresh to its end, doing `during` while the lookup is under way.
    void refresh(Store& store, const std::function<void()>& during = {}) {
        finish(store.refreshEmailConfirmation(), during);
    }
    // A session whose ID token must be renewed before use.
    Session expired(const QString& uid) {
        Session s = account(uid);
        s.expires = clock.now().addSecs(-1);
        return s;
    }

    FakeShell shell;
    FakeClock clock;
    std::shared_ptr<FakeAccountHooks> fakeAccount = std::make_shared<FakeAccountHooks>();
    std::shared_ptr<FakeLibraryHooks> fakeLibrary = std::make_shared<FakeLibraryHooks>();
};

} // namespace

TEST_F(StoreAccount, SigningInSavesTheSessionAndItsProfileBeforeTheFirstSync) {
    auto store = make();
    store->setSyncError(u"An old failure."_s);
    finish(store->signedIn(account(u"ada"_s, u"password"_s, true)));
    EXPECT_EQ(store->session(), account(u"ada"_s, u"password"_s, true));
    EXPECT_EQ(fakeAccount->saved, (QList<std::optional<Session>>{account(u"ada"_s, u"password"_s, true)}));
    EXPECT_EQ(fakeLibrary->profiles, QStringList{u"ada: Ada <ada@example.com>"_s});
    EXPECT_EQ(fakeLibrary->syncErrorsAtSync, (QList<std::optional<QString>>{std::nullopt}));

    EXPECT_EQ(store->notice(), std::nullopt);

    // A failed profile write is ignored; without a client nothing is written, yet the sync runs.
    fakeLibrary->profileFails = true;
    finish(store->signedIn(account(u"bob"_s, u"password"_s, true)));
    fakeAccount->refreshError = std::make_exception_ptr(TransportError(TransportError::Kind::Offline));
    finish(store->signedIn(expired(u"cy"_s)));
    EXPECT_EQ(fakeLibrary->profiles.size(), 2);
    EXPECT_EQ(fakeLibrary->syncErrorsAtSync.size(), 2); // no client, no library read
    EXPECT_EQ(store->session()->uid, u"cy"_s);

    // Without a keyring the sign-in holds for this run only, and the user is told so.
    fakeAccount->keeps = false;
    finish(store->signedIn(account(u"dee"_s, u"password"_s, true)));
    EXPECT_EQ(store->session()->uid, u"dee"_s);
    EXPECT_EQ(store->notice(), u"No unlocked keyring is running to keep your sign-in, so you'll need to "
                               u"sign in again the next time Quenlark starts."_s);
}

TEST_F(StoreAccount, ResendWaitsAMinuteAndSaysOfflineWithoutABackEnd) {
    auto store = make();
    const QString offline = u"You're offline. Try again in a moment."_s;
    EXPECT_EQ(store->confirmationWait(clock.now()), 0);
    EXPECT_EQ(resendFailure(*store), offline); // no session
    store->setSession(expired(u"ada"_s));
    fakeAccount->refreshError = std::make_exception_ptr(TransportError(TransportError::Kind::Offline));
    EXPECT_EQ(resendFailure(*store), offline); // no client: the token could not be renewed
    fakeAccount->refreshError = nullptr;
    store->setSession(account(u"ada"_s));

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
    EXPECT_EQ(fakeAccount->saved, (QList<std::optional<Session>>{std::nullopt}));
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

// One row per renewal outcome: whether a client comes back, what the session and the library
// error become, and what is saved.
TEST_F(StoreAccount, TheLiveClientRenewsAnExpiredTokenAndEndsADeadSession) {
    const auto offline = std::make_exception_ptr(TransportError(TransportError::Kind::Offline));
    const auto dead =
        std::make_exception_ptr(AuthError(u"Your session ended. Sign in again."_s, u"INVALID_REFRESH_TOKEN"_s));
    const auto refused = std::make_exception_ptr(AuthError(u"Sign-in failed (QUOTA)."_s, u"QUOTA"_s));
    enum class After { Renewed, Same, None };
    struct Row {
        const char* name;
        bool expired;
        bool forced;
        std::exception_ptr error;
        bool client;
        After session;
        std::optional<QString> syncError;
    };
    const QList<Row> rows = {
        {"valid", false, false, nullptr, true, After::Same, std::nullopt},
        {"expired", true, false, nullptr, true, After::Renewed, std::nullopt},
        {"forced", false, true, nullptr, true, After::Renewed, std::nullopt},
        {"offline", true, false, offline, false, After::Same,
         u"Couldn't reach your library ("_s + TransportError::sentence(TransportError::Kind::Offline) +
             u"). It tries again at the next check."_s},
        {"other code", true, false, refused, false, After::Same,
         u"Couldn't reach your library (Sign-in failed (QUOTA).). It tries again at the next check."_s},
        {"dead", true, false, dead, false, After::None, u"Your session ended. Sign in again."_s},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fakeAccount = std::make_shared<FakeAccountHooks>();
        fakeAccount->refreshError = row.error;
        auto store = make();
        Session before = row.expired ? expired(u"ada"_s) : account(u"ada"_s);
        before.emailVerified = false;
        store->setSession(before);
        std::optional<std::optional<CloudAccess>> client;
        finish([](Store* s, bool forced, std::optional<std::optional<CloudAccess>>* out) -> QCoro::Task<void> {
            *out = co_await s->liveCloud(forced);
        }(store.get(), row.forced, &client));
        ASSERT_TRUE(client.has_value());
        EXPECT_EQ(client->has_value(), row.client);
        EXPECT_EQ(store->syncError(), row.syncError);
        switch (row.session) {
        case After::Same:
            EXPECT_EQ(store->session(), before);
            EXPECT_TRUE(fakeAccount->saved.isEmpty());
            break;
        case After::Renewed:
            ASSERT_TRUE(store->session().has_value());
            EXPECT_EQ(store->session()->idToken, u"id-1"_s);
            EXPECT_GT(store->session()->expires, clock.now());
            EXPECT_EQ(store->session()->emailVerified, false);
            EXPECT_EQ(fakeAccount->saved, (QList<std::optional<Session>>{store->session()}));
            EXPECT_EQ((*client)->session, *store->session());
            break;
        case After::None:
            EXPECT_EQ(store->session(), std::nullopt);
            EXPECT_EQ(fakeAccount->saved, (QList<std::optional<Session>>{std::nullopt}));
            EXPECT_EQ(fakeAccount->signOuts, 1);
            break;
        }
    }
}

// The tile and the settings share the store: two presses while the token renews send one mail.
TEST_F(StoreAccount, TwoResendsStartedTogetherSendOneMail) {
    auto store = make();
    store->setSession(expired(u"ada"_s));
    QString second;
    EXPECT_EQ(finish(store->resendEmailConfirmation(),
                     [&] {
                         second = u"<running>"_s;
                         auto other = [](Store* s, QString* out) -> QCoro::Task<void> {
                             co_await s->resendEmailConfirmation();
                             *out = u"<no error>"_s;
                         }(store.get(), &second);
                     }),
              u"<no error>"_s);
    EXPECT_EQ(second, u"<no error>"_s);
    EXPECT_EQ(fakeAccount->sent, QStringList{u"ada"_s});
}

// Signing out needs no library: the session goes from memory and from the keyring, with the
// library and the Macs.
TEST_F(StoreAccount, SigningOutForgetsTheSessionEverywhere) {
    auto store = make();
    store->setSession(account(u"ada"_s));
    store->setLibrary({makeShared<LibraryItem>(LibraryApp{})});
    store->setDevices({Device{}});
    store->signOut();
    EXPECT_EQ(store->session(), std::nullopt);
    EXPECT_TRUE(store->library().isEmpty());
    EXPECT_TRUE(store->devices().isEmpty());
    EXPECT_EQ(fakeAccount->saved, (QList<std::optional<Session>>{std::nullopt}));
    EXPECT_EQ(fakeAccount->signOuts, 1);
}
