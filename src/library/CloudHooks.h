#pragma once

#include "library/LibraryHooks.h"

// The store's library seam over the real document client and identity service; this Mac's
// device document carries ThisMac's name, model and hashed hardware id.
class CloudHooks final : public LibraryHooks {
public:
    QCoro::Task<Listing<LibraryApp>> apps(Cloud cloud) override;
    QCoro::Task<Listing<Device>> devices(Cloud cloud) override;
    QCoro::Task<int> sync(Cloud cloud, QList<Cloud::Scanned> scanned, QList<LibraryApp> library,
                          QString deviceID) override;
    QCoro::Task<void> remove(Cloud cloud, QStringList ids) override;
    QCoro::Task<void> deleteLibrary(Cloud cloud) override;
    QCoro::Task<void> saveProfile(Cloud cloud, std::optional<QString> name, QString email) override;
    QCoro::Task<void> deleteAccount(Session session, CloudConfig config) override;
};
