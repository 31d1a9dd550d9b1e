#pragma once

#include "library/Cloud.h"

#include <QCoro/QCoroTask>
#include <QString>

#include <optional>

class Store;

// What the store asks of the cloud library, which comes later: the synchronisation after a
// check and the profile document after a sign-in. The store itself renews the token and signs
// out.
class LibraryHooks {
public:
    virtual ~LibraryHooks() = default;

    // Uploads this Mac's applications and reloads the library; errors go to syncError.
    virtual QCoro::Task<void> syncLibrary(Store& store) = 0;
    // Writes the account's profile document. Throws the request's error.
    virtual QCoro::Task<void> saveProfile(Cloud cloud, std::optional<QString> name, QString email) = 0;
};
