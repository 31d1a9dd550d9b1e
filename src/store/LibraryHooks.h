#pragma once

#include "store/CloudAccess.h"
#include "store/Device.h"
#include "store/LibraryApp.h"
#include "store/Listing.h"
#include "store/ScannedApp.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What the store's library side asks of the network: the library's document operations and the
// identity account's deletion (the account's own seam renews the token). Each throws its request's
// error. Tests hand the store a fake that can hold any of them open.
class LibraryHooks {
public:
    virtual ~LibraryHooks() = default;

    virtual QCoro::Task<Listing<LibraryApp>> apps(CloudAccess cloud) = 0;
    virtual QCoro::Task<Listing<Device>> devices(CloudAccess cloud) = 0;
    // Uploads this Mac, whose id in the library is `deviceID`; gives the number of writes.
    virtual QCoro::Task<int> sync(CloudAccess cloud, QList<ScannedApp> scanned, QList<LibraryApp> library,
                                  QString deviceID) = 0;
    virtual QCoro::Task<void> remove(CloudAccess cloud, QStringList ids) = 0;
    virtual QCoro::Task<void> deleteLibrary(CloudAccess cloud) = 0;
    virtual QCoro::Task<void> saveProfile(CloudAccess cloud, std::optional<QString> name, QString email) = 0;
    // Deletes the identity account of the session.
    virtual QCoro::Task<void> deleteAccount(Session session, CloudConfig config) = 0;
};
