#include "store/Store.h"

#include "account/AccountHooks.h"
#include "library/LibraryHooks.h"
#include "runtime/AuthError.h"
#include "runtime/Clock.h"
#include "runtime/Describe.h"
#include "runtime/MainThread.h"

#include <QSet>

#include <exception>

using namespace Qt::Literals::StringLiterals;

QCoro::Task<std::optional<Cloud>> Store::liveCloud(bool forceRefresh) {
    QL_ASSERT_MAIN_THREAD();
    const std::shared_ptr<AccountHooks> account = c_.account;
    if (!cloud_)
        co_return std::nullopt;
    const CloudConfig config = *cloud_;
    const std::optional<Session> asked = session_.get();
    if (!asked)
        co_return std::nullopt;
    if (!forceRefresh && !(asked->expires < clock_.now()))
        co_return Cloud{config, *asked};

    std::optional<Session> renewed;
    std::exception_ptr failure;
    try {
        auto renewing = account->refresh(*asked, config);
        renewed = co_await std::move(renewing);
    } catch (...) {
        failure = std::current_exception();
    }
    // A sign-out, or another account's sign-in, during the renewal stands.
    const std::optional<Session> now = session_.get();
    if (!now || now->uid != asked->uid)
        co_return std::nullopt;
    if (failure) {
        static const QSet<QString> dead = {u"INVALID_REFRESH_TOKEN"_s, u"USER_NOT_FOUND"_s,
                                           u"USER_DISABLED"_s, u"TOKEN_EXPIRED"_s};
        QString code;
        try {
            std::rethrow_exception(failure);
        } catch (const AuthError& error) {
            code = error.code;
        } catch (...) {
        }
        if (dead.contains(code)) {
            signOut();
            setSyncError(describe(failure));
        } else {
            setSyncError(u"Couldn't reach your library ("_s + describe(failure) +
                         u"). It tries again at the next check."_s);
        }
        co_return std::nullopt;
    }
    // Only the tokens are new: what else changed meanwhile (the confirmation state) stays.
    Session fresh = *now;
    fresh.idToken = renewed->idToken;
    fresh.refreshToken = renewed->refreshToken;
    fresh.expires = renewed->expires;
    setSession(fresh);
    account->save(fresh);
    co_return Cloud{config, fresh};
}

QCoro::Task<void> Store::syncLibrary() {
    QL_ASSERT_MAIN_THREAD();
    const std::shared_ptr<LibraryHooks> library = c_.library;
    auto syncing = library->syncLibrary(*this);
    co_await std::move(syncing);
}

// The session is the store's own: signing out needs no library, only the account.
void Store::signOut() {
    QL_ASSERT_MAIN_THREAD();
    c_.account->save(std::nullopt);
    c_.account->signedOut();
    setSession(std::nullopt);
    setLibrary({});
    setDevices({});
}

// The library's document reads and removals come with the library itself.
QCoro::Task<void> Store::reloadLibrary(Cloud) { co_return; }

QCoro::Task<void> Store::removeFromLibrary(LibraryRows) { co_return; }
