#pragma once

#include "store/LibraryHooks.h"

// The store's library seam over the real document client and identity service; this Mac's
// device document carries ThisMac's name, model and hashed hardware id.
class LiveLibraryHooks final : public LibraryHooks {
public:
    QCoro::Task<Listing<LibraryApp>> apps(CloudAccess cloud) override;
    QCoro::Task<Listing<Device>> devices(CloudAccess cloud) override;
    QCoro::Task<int> sync(CloudAccess cloud, QList<ScannedApp> scanned, QList<LibraryApp> library,
                          QString deviceID) override;
    QCoro::Task<void> remove(CloudAccess cloud, QStringList ids) override;
    QCoro::Task<void> deleteLibrary(CloudAccess cloud) override;
    QCoro::Task<void> saveProfile(CloudAccess cloud, std::optional<QString> name, QString email) override;
    QCoro::Task<void> deleteAccount(Session session, CloudConfig config) override;
};
