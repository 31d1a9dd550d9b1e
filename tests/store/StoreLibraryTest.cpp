#include "runtime/AuthError.h"
#include "runtime/CheckError.h"
#include "runtime/MakeShared.h"
#include "store/LibraryHooks.h"
#include "store/Store.h"

#include "QtPrinters.h"
#include "RunSync.h"
#include "StoreHarness.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace {

const QDateTime jan10(QDate(2026, 1, 10), QTime(12, 0), Qt::UTC);

Session account(const QString& uid, QDateTime expires = jan10.addDays(1)) {
    Session s;
    s.uid = uid;
    s.email = uid + u"@example.com"_s;
    s.idToken = u"id-"_s + uid;
    s.refreshToken = u"refresh-"_s + uid;
    s.expires = std::move(expires);
    s.provider = u"password"_s;
    s.emailVerified = true; // no confirmation lookup before a sync
    return s;
}

LibraryApp record(const QString& id, const QString& name, std::optional<QString> storeURL = std::nullopt) {
    LibraryApp app;
    app.id = id;
    app.name = name;
    app.storeURL = std::move(storeURL);
    return app;
}

// A library per account that answers from memory; the operation named in `hold` waits a second
// of the fake clock first, so that the test can act while it is awaited.
class FakeLibraryHooks final : public LibraryHooks {
public:
    explicit FakeLibraryHooks(StoreHarness& h) : h_(h) {}

    // The store's token renewal, which the account seam hands here.
    QCoro::Task<Session> refresh(Session session, CloudConfig) {
        co_await step(u"refresh"_s);
        if (refreshError)
            std::rethrow_exception(refreshError);
        session.idToken += u"+"_s;
        session.expires = h_.clock.now().addSecs(3600);
        co_return session;
    }
    QCoro::Task<Listing<LibraryApp>> apps(CloudAccess cloud) override {
        co_await step(u"apps"_s, cloud);
        co_return Listing<LibraryApp>{libraries.value(cloud.session.uid), cutShort};
    }
    QCoro::Task<Listing<Device>> devices(CloudAccess cloud) override {
        co_await step(u"devices"_s, cloud);
        co_return Listing<Device>{macs.value(cloud.session.uid), {}};
    }
    QCoro::Task<int> sync(CloudAccess cloud, QList<ScannedApp> scanned, QList<LibraryApp>, QString deviceID) override {
        co_await step(u"sync"_s, cloud);
        for (const ScannedApp& s : scanned)
            uploaded.append(s.app.name + u"@"_s + deviceID);
        co_return 1;
    }
    QCoro::Task<void> remove(CloudAccess cloud, QStringList ids) override {
        co_await step(u"remove"_s, cloud);
        libraries[cloud.session.uid].removeIf([&](const LibraryApp& a) { return ids.contains(a.id); });
    }
    QCoro::Task<void> deleteLibrary(CloudAccess cloud) override {
        co_await step(u"deleteLibrary"_s, cloud);
        libraries.remove(cloud.session.uid);
    }
    QCoro::Task<void> saveProfile(CloudAccess cloud, std::optional<QString>, QString email) override {
        return step(u"saveProfile "_s + email, cloud);
    }
    QCoro::Task<void> deleteAccount(Session session, CloudConfig) override {
        calls.append(u"deleteAccount "_s + session.idToken);
        co_return;
    }

    QHash<QString, QList<LibraryApp>> libraries; // by uid
    QHash<QString, QList<Device>> macs;
    QString hold;
    std::exception_ptr refreshError;
    std::optional<QString> cutShort;           // the listing of apps stopped by a bound
    QHash<QString, std::exception_ptr> errors; // by operation
    QStringList calls;                         // operation and token
    QStringList uploaded;

private:
    QCoro::Task<void> step(QString name, std::optional<CloudAccess> cloud = std::nullopt) {
        calls.append(name + (cloud ? u" "_s + cloud->session.idToken : QString()));
        if (hold == name)
            co_await h_.clock.sleep(std::chrono::seconds(1));
        if (auto error = errors.value(name))
            std::rethrow_exception(error);
    }

    StoreHarness& h_;
};

struct Fixture {
    Fixture() {
        h.clock.setNow(jan10);
        h.cloud = CloudConfig::emulator(u"k"_s, u"demo-p"_s, u"127.0.0.1:1"_s);
        h.library = library;
        h.renew = [this](Session session, CloudConfig config) {
            return library->refresh(std::move(session), std::move(config));
        };
        h.build();
    }
    Store& store() { return h.store(); }
    QStringList names() {
        QStringList names;
        for (const auto& item : store().library())
            names.append(item->app().name);
        return names;
    }

    StoreHarness h;
    std::shared_ptr<FakeLibraryHooks> library = std::make_shared<FakeLibraryHooks>(h);
};

} // namespace

// Entries keep their objects and their state across reloads, in Finder order; App Store entries
// get their store route; the Macs come newest first; this Mac uploads only after a scan.
TEST(StoreLibrary, SyncUploadsAfterAScanAndReloadsKeepingEachEntry) {
    Fixture f;
    Store& s = f.store();
    f.library->libraries[u"ada"_s] = {record(u"z"_s, u"Zed"_s, u"macappstore://apps.example/zed"_s),
                                      record(u"t"_s, u"App 10"_s), record(u"two"_s, u"app 2"_s)};
    f.library->macs[u"ada"_s] = {{u"old"_s, u"Old"_s, {}, jan10.addDays(-9), {}}, {u"new"_s, u"New"_s, {}, jan10, {}}};
    s.setSession(account(u"ada"_s));

    runSync(s.syncLibrary());
    EXPECT_EQ(f.names(), (QStringList{u"app 2"_s, u"App 10"_s, u"Zed"_s}));
    EXPECT_EQ(s.library()[2]->route()->url(), QUrl(u"macappstore://apps.example/zed"_s));
    EXPECT_EQ(s.devices()[0].id, u"new"_s);
    EXPECT_TRUE(f.library->uploaded.isEmpty()); // no scan yet
    EXPECT_FALSE(s.syncing());

    const std::shared_ptr<LibraryItem> kept = s.library()[0];
    kept->setSelected(true);
    kept->setNote(u"Installed."_s);
    f.library->libraries[u"ada"_s][2].name = u"App 3"_s;
    f.library->libraries[u"ada"_s].removeAt(1);
    f.h.apps = {StoreHarness::app(u"Here"_s)};
    EXPECT_TRUE(f.h.settle(f.h.start(s.refresh()))); // the check's end syncs
    EXPECT_EQ(f.library->uploaded, QStringList{u"Here@dhere"_s});
    EXPECT_EQ(f.names(), (QStringList{u"App 3"_s, u"Zed"_s}));
    EXPECT_EQ(s.library()[0], kept);
    EXPECT_TRUE(kept->selected());
    EXPECT_EQ(kept->note(), u"Installed."_s);

    // A failed read keeps the lists and says why; a removal drops its entries and clears it.
    f.library->errors[u"apps"_s] = std::make_exception_ptr(CheckError(u"Library sync failed: HTTP 500"_s));
    runSync(s.syncLibrary());
    EXPECT_EQ(s.syncError(), u"Library sync failed: HTTP 500"_s);
    EXPECT_EQ(f.names(), (QStringList{u"App 3"_s, u"Zed"_s}));
    // A listing a bound stopped shows what it read and says why.
    f.library->errors.clear();
    f.library->cutShort = u"Cut short."_s;
    runSync(s.syncLibrary());
    EXPECT_EQ(s.syncError(), u"Cut short."_s);
    EXPECT_EQ(f.names(), (QStringList{u"App 3"_s, u"Zed"_s}));
    f.library->cutShort.reset();
    runSync(s.removeFromLibrary({kept}));
    EXPECT_EQ(f.names(), QStringList{u"Zed"_s});
    EXPECT_EQ(s.syncError(), std::nullopt);
    const qsizetype calls = f.library->calls.size();
    runSync(s.removeFromLibrary({}));
    EXPECT_EQ(f.library->calls.size(), calls);
}

TEST(StoreLibrary, AnExpiredTokenIsRenewedOrTheSessionEnds) {
    const struct {
        const char* what;
        std::exception_ptr error;
        bool signedIn;
        std::optional<QString> syncError;
    } cases[] = {
        {"renewed", nullptr, true, std::nullopt},
        {"dead session",
         std::make_exception_ptr(AuthError(u"Your session ended. Sign in again."_s, u"TOKEN_EXPIRED"_s)), false,
         u"Your session ended. Sign in again."_s},
        {"other refusal", std::make_exception_ptr(AuthError(u"Sign-in failed (INTERNAL)."_s, u"INTERNAL"_s)), true,
         u"Couldn't reach your library (Sign-in failed (INTERNAL).). It tries again at the next check."_s},
        {"offline", std::make_exception_ptr(std::runtime_error("offline")), true,
         u"Couldn't reach your library (offline). It tries again at the next check."_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        Store& s = f.store();
        f.library->libraries[u"ada"_s] = {record(u"a"_s, u"A"_s)};
        f.library->refreshError = c.error;
        s.setSession(account(u"ada"_s, jan10.addSecs(-1)));
        runSync(s.syncLibrary());
        EXPECT_EQ(s.session().has_value(), c.signedIn);
        EXPECT_EQ(s.syncError(), c.syncError);
        EXPECT_EQ(f.h.savedSession.has_value(), !c.error); // the renewal saved, the sign-out forgot
        EXPECT_EQ(s.library().size(), c.error ? 0 : 1);
        if (!c.error) {
            EXPECT_EQ(f.library->calls.last(), u"devices id-ada+"_s); // the renewed token
        }
    }
}

// A sign-out or another account while any await runs, a sign-in's keyring wait too: the late
// result, success or failure, changes nothing and writes nothing, least of all a profile into the
// next account's document; the next account's sync meanwhile runs at once, its library shown.
TEST(StoreLibrary, LateResultsOfAnEndedSessionAreDropped) {
    for (const QString& held : {u"keyring"_s, u"refresh"_s, u"apps"_s, u"sync"_s, u"devices"_s, u"remove"_s}) {
        for (const bool switching : {false, true}) {
            for (const bool failing : {false, true}) {
                SCOPED_TRACE((held + (failing ? u" fails"_s : u" answers"_s) +
                              (switching ? u" after another sign-in"_s : u" after a sign-out"_s))
                                 .toStdString());
                Fixture f;
                Store& s = f.store();
                f.library->libraries[u"ada"_s] = {record(u"a"_s, u"Ada's"_s)};
                f.library->libraries[u"bob"_s] = {record(u"b"_s, u"Bob's"_s)};
                f.library->macs[u"ada"_s] = {{u"m"_s, u"Ada's Mac"_s, {}, jan10, {}}};
                f.h.apps = {StoreHarness::app(u"Here"_s)};
                EXPECT_TRUE(f.h.settle(f.h.start(s.refresh())));
                f.library->hold = held;
                f.h.slowKeyring = held == u"keyring"_s;
                if (failing) {
                    f.library->refreshError = std::make_exception_ptr(AuthError(u"Gone."_s, u"USER_NOT_FOUND"_s));
                    f.library->errors[held] = std::make_exception_ptr(CheckError(u"Library sync failed: late"_s));
                }
                s.setSession(account(u"ada"_s, held == u"refresh"_s ? jan10.addSecs(-1) : jan10.addDays(1)));
                s.setSyncError(std::nullopt);
                const Store::LibraryRows removal{makeShared<LibraryItem>(record(u"a"_s, u"A"_s))};
                auto running = held == u"remove"_s    ? f.h.start(s.removeFromLibrary(removal))
                               : held == u"keyring"_s ? f.h.start(s.signedIn(account(u"ada"_s)))
                                                      : f.h.start(s.syncLibrary());
                ASSERT_FALSE(*running);
                if (switching)
                    s.setSession(account(u"bob"_s));
                else
                    s.signOut();
                f.library->hold.clear();
                const bool bobSyncs = switching && !failing; // the late failure's cause would fail his too
                if (bobSyncs) {
                    EXPECT_TRUE(*f.h.start(s.syncLibrary()));
                }
                const std::optional<Session> after = s.session();
                const std::optional<Session> saved = f.h.savedSession;
                const QStringList calls = f.library->calls;
                EXPECT_TRUE(f.h.settle(running, 10));
                EXPECT_EQ(s.session(), after);
                EXPECT_EQ(f.h.savedSession, saved);
                EXPECT_EQ(f.library->calls, calls);
                EXPECT_EQ(f.names(), bobSyncs ? QStringList{u"Bob's"_s} : QStringList());
                EXPECT_TRUE(s.devices().isEmpty());
                EXPECT_EQ(s.syncError(), std::nullopt);
                EXPECT_FALSE(s.syncing());
            }
        }
    }
}

TEST(StoreLibrary, DeletingTheAccount) {
    auto failure = [](Store& s) -> QString {
        try {
            runSync(s.deleteAccount());
        } catch (const Error& error) {
            return error.description();
        }
        return u"<none>"_s;
    };
    Fixture f;
    Store& s = f.store();
    s.setSyncError(u"Library sync failed: HTTP 500"_s); // an earlier failure is not this one's reason
    EXPECT_EQ(failure(s), u"You're not signed in."_s);
    EXPECT_EQ(s.syncError(), u"Library sync failed: HTTP 500"_s);
    EXPECT_FALSE(s.syncing());

    // An earlier, unrelated failure is not this deletion's; an expired token is renewed first.
    f.library->libraries[u"ada"_s] = {record(u"a"_s, u"A"_s)};
    s.setSession(account(u"ada"_s, jan10.addSecs(-1)));
    s.setSyncError(u"Library sync failed: HTTP 500"_s);
    f.library->errors[u"deleteLibrary"_s] = std::make_exception_ptr(CheckError(u"Library sync failed: HTTP 503"_s));
    EXPECT_EQ(failure(s), u"Library sync failed: HTTP 503"_s);
    EXPECT_TRUE(s.session());
    EXPECT_FALSE(s.syncing());

    f.library->errors.clear();
    f.library->refreshError = std::make_exception_ptr(std::runtime_error("offline"));
    s.setSession(account(u"ada"_s, jan10.addSecs(-1)));
    EXPECT_EQ(failure(s), u"Couldn't reach your library (offline). It tries again at the next check."_s);
    EXPECT_FALSE(s.syncing());

    f.library->refreshError = nullptr;
    s.setSyncing(true);
    EXPECT_EQ(failure(s), u"The library is busy syncing. Try again in a moment."_s);
    s.setSyncing(false);
    f.library->calls.clear();
    EXPECT_EQ(failure(s), u"<none>"_s);
    EXPECT_EQ(f.library->calls, (QStringList{u"refresh"_s, u"deleteLibrary id-ada+"_s, u"deleteAccount id-ada+"_s}));
    EXPECT_FALSE(s.session());
    EXPECT_FALSE(f.h.savedSession);
    EXPECT_TRUE(s.library().isEmpty() && s.devices().isEmpty());
    EXPECT_FALSE(s.syncing());
}
