#pragma once

#include "library/Cloud.h"

#include <QCoro/QCoroTask>
#include <QString>

#include <optional>

class Store;

// What the store asks of the cloud library, which comes later: a client with a valid token,
// the synchronisation after a check, signing out, and the profile document after a sign-in.
class LibraryHooks {
public:
    virtual ~LibraryHooks() = default;

    // A client for the store's session, renewing an expired token first; nothing without a
    // back end or a session, or when the renewal failed (it then signs out or sets syncError).
    virtual QCoro::Task<std::optional<Cloud>> liveCloud(Store& store, bool forceRefresh) = 0;
    // Uploads this Mac's applications and reloads the library; errors go to syncError.
    virtual QCoro::Task<void> syncLibrary(Store& store) = 0;
    // Forgets the saved session and empties the library and the Macs.
    virtual void signOut(Store& store) = 0;
    // Writes the account's profile document. Throws the request's error.
    virtual QCoro::Task<void> saveProfile(Cloud cloud, std::optional<QString> name, QString email) = 0;
};
