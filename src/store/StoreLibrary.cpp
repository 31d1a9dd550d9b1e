#include "store/Store.h"

#include "model/NaturalOrder.h"
#include "runtime/AuthError.h"
#include "runtime/Clock.h"
#include "runtime/Describe.h"
#include "runtime/MainThread.h"
#include "runtime/MakeShared.h"
#include "store/AccountHooks.h"
#include "store/LibraryHooks.h"
#include "store/Restore.h"

#include <QCollatorSortKey>

#include <algorithm>
#include <exception>

using namespace Qt::Literals::StringLiterals;

// Every await below may outlive the session it started under: a sign-out or another sign-in
// meanwhile bumps sessionGeneration_, and the late result is then dropped, so it can neither
// bring the old session back, sign the new user out, nor fill the lists with the old library.

QCoro::Task<std::optional<CloudAccess>> Store::liveCloud(bool forceRefresh) {
    QL_ASSERT_MAIN_THREAD();
    if (!cloud_)
        co_return std::nullopt;
    const std::optional<Session> session = session_.get();
    if (!session)
        co_return std::nullopt;
    const CloudConfig config = *cloud_;
    if (!forceRefresh && session->expires >= clock_.now())
        co_return CloudAccess{config, *session};

    const std::shared_ptr<AccountHooks> account = c_.account;
    const quint64 generation = sessionGeneration_;
    std::exception_ptr failure;
    std::optional<Session> renewed;
    try {
        auto renewing = account->refresh(*session, config);
        renewed = co_await std::move(renewing);
    } catch (...) {
        failure = std::current_exception();
    }
    if (generation != sessionGeneration_)
        co_return std::nullopt;
    if (!failure) {
        // Only the tokens are new: what else changed meanwhile (the confirmation state) stays.
        Session fresh = *session_.get();
        fresh.idToken = renewed->idToken;
        fresh.refreshToken = renewed->refreshToken;
        fresh.expires = renewed->expires;
        setSession(fresh);
        account->save(fresh);
        co_return CloudAccess{config, fresh};
    }
    try {
        std::rethrow_exception(failure);
    } catch (const AuthError& error) {
        static const QStringList dead{u"INVALID_REFRESH_TOKEN"_s, u"USER_NOT_FOUND"_s, u"USER_DISABLED"_s,
                                      u"TOKEN_EXPIRED"_s};
        if (dead.contains(error.code)) {
            signOut();
            setSyncError(error.description());
            co_return std::nullopt;
        }
    } catch (...) {}
    setSyncError(u"Couldn't reach your library ("_s + describe(failure) + u"). It tries again at the next check."_s);
    co_return std::nullopt;
}

QCoro::Task<void> Store::syncLibrary() {
    QL_ASSERT_MAIN_THREAD();
    const std::shared_ptr<LibraryHooks> library = c_.library;
    co_await refreshEmailConfirmation();
    if (syncing_.get())
        co_return;
    const std::optional<CloudAccess> client = co_await liveCloud(false);
    if (!client || syncing_.get()) // another sync may have started while the token was renewed
        co_return;
    setSyncing(true);
    const quint64 generation = sessionGeneration_;
    std::exception_ptr failure;
    std::optional<QString> cutShort;
    try {
        auto reading = library->apps(*client);
        QList<LibraryApp> apps = (co_await std::move(reading)).records;
        if (generation == sessionGeneration_ && !items_.get().isEmpty() && !scanning_.get()) {
            QList<ScannedApp> pairs;
            pairs.reserve(items_.get().size());
            for (const std::shared_ptr<AppItem>& item : items_.get())
                pairs.append(ScannedApp{item->app(), item->release()});
            auto uploading = library->sync(*client, std::move(pairs), std::move(apps), c_.deviceID());
            co_await std::move(uploading);
        }
        if (generation == sessionGeneration_)
            cutShort = co_await reloadLibrary(*client);
    } catch (...) {
        failure = std::current_exception();
    }
    if (generation != sessionGeneration_)
        co_return;
    setSyncing(false);
    setSyncError(failure ? std::optional<QString>(describe(failure)) : cutShort);
}

QCoro::Task<std::optional<QString>> Store::reloadLibrary(CloudAccess client) {
    QL_ASSERT_MAIN_THREAD();
    const std::shared_ptr<LibraryHooks> library = c_.library;
    const quint64 generation = sessionGeneration_;
    auto reading = library->apps(client);
    Listing<LibraryApp> listed = co_await std::move(reading);
    if (generation != sessionGeneration_)
        co_return std::nullopt;
    QList<LibraryApp>& apps = listed.records;

    // Finder order: case-insensitive, numbers by value; stable among equals.
    QList<std::pair<QCollatorSortKey, qsizetype>> keys;
    keys.reserve(apps.size());
    for (qsizetype i = 0; i < apps.size(); ++i)
        keys.append({NaturalOrder::sortKey(apps[i].name), i});
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });

    QHash<QString, std::shared_ptr<LibraryItem>> existing;
    for (const std::shared_ptr<LibraryItem>& item : library_.peek())
        existing.insert(item->id(), item);
    LibraryRows rows;
    rows.reserve(apps.size());
    for (const auto& [key, index] : keys) {
        LibraryApp& app = apps[index];
        std::shared_ptr<LibraryItem> item = existing.value(app.id);
        if (!item)
            item = makeShared<LibraryItem>(app);
        const std::optional<QUrl> store = Restore::storePage(app.storeURL);
        item->setApp(std::move(app));
        if (!item->route() && store)
            item->setRoute(Route::store(*store));
        rows.append(std::move(item));
    }

    auto listing = library->devices(client);
    Listing<Device> macs = co_await std::move(listing);
    if (generation != sessionGeneration_)
        co_return std::nullopt;
    QList<Device>& devices = macs.records;
    std::stable_sort(devices.begin(), devices.end(),
                     [](const Device& a, const Device& b) { return a.lastSeen > b.lastSeen; });
    setLibrary(std::move(rows));
    setDevices(std::move(devices));
    // What was read is shown; the sentence says it isn't all.
    co_return listed.cutShort ? listed.cutShort : macs.cutShort;
}

void Store::signOut() {
    QL_ASSERT_MAIN_THREAD();
    c_.account->save(std::nullopt);
    c_.account->signedOut();
    setSession(std::nullopt);
    setLibrary({});
    setDevices({});
    // Nothing was listed: the next account's library is still to come.
    libraryListed_.set(false);
}

QCoro::Task<void> Store::removeFromLibrary(LibraryRows items) {
    QL_ASSERT_MAIN_THREAD();
    const std::shared_ptr<LibraryHooks> library = c_.library;
    const std::optional<CloudAccess> client = co_await liveCloud(false);
    if (!client || items.isEmpty())
        co_return;
    const quint64 generation = sessionGeneration_;
    QStringList ids;
    for (const std::shared_ptr<LibraryItem>& item : items)
        ids.append(item->id());
    std::exception_ptr failure;
    try {
        auto removing = library->remove(*client, ids);
        co_await std::move(removing);
    } catch (...) {
        failure = std::current_exception();
    }
    if (generation != sessionGeneration_)
        co_return;
    if (failure) {
        setSyncError(describe(failure));
        co_return;
    }
    LibraryRows left = library_.get();
    left.removeIf([&](const std::shared_ptr<LibraryItem>& item) { return ids.contains(item->id()); });
    setLibrary(std::move(left));
    std::optional<QString> cutShort;
    try {
        cutShort = co_await reloadLibrary(*client);
    } catch (...) {
        failure = std::current_exception();
    }
    if (generation == sessionGeneration_)
        setSyncError(failure ? std::optional<QString>(describe(failure)) : cutShort);
}

QCoro::Task<void> Store::deleteAccount() {
    QL_ASSERT_MAIN_THREAD();
    const std::shared_ptr<LibraryHooks> library = c_.library;
    if (!cloud_)
        throw AuthError(u"You're not signed in."_s);
    if (syncing_.get())
        throw AuthError(u"The library is busy syncing. Try again in a moment."_s);
    setSyncing(true);
    // The flag is this account's: once another has signed in, its sync owns it.
    const quint64 generation = sessionGeneration_;
    auto done = [this, generation] {
        if (generation == sessionGeneration_)
            setSyncing(false);
    };
    // A syncError left by an earlier, unrelated failure is not this deletion's reason: only the
    // one this renewal sets is.
    const std::optional<QString> before = syncError_.get();
    setSyncError(std::nullopt);
    const std::optional<CloudAccess> client = co_await liveCloud(false);
    if (!client) {
        const std::optional<QString> reason = syncError_.get();
        if (!reason)
            setSyncError(before);
        done();
        throw AuthError(reason.value_or(u"You're not signed in."_s));
    }
    setSyncError(before);
    std::exception_ptr failure;
    try {
        auto deleting = library->deleteLibrary(*client);
        co_await std::move(deleting);
        auto closing = library->deleteAccount(client->session, client->config);
        co_await std::move(closing);
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        done();
        std::rethrow_exception(failure);
    }
    // Someone who signed in meanwhile stays signed in.
    done();
    if (generation == sessionGeneration_)
        signOut();
}
