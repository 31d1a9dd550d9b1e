#include "library/CloudHooks.h"

#include "account/Auth.h"
#include "model/ThisMac.h"
#include "runtime/Clock.h"

QCoro::Task<Listing<LibraryApp>> CloudHooks::apps(Cloud cloud) { co_return co_await cloud.apps(); }

QCoro::Task<Listing<Device>> CloudHooks::devices(Cloud cloud) { co_return co_await cloud.devices(); }

QCoro::Task<int> CloudHooks::sync(Cloud cloud, QList<Cloud::Scanned> scanned, QList<LibraryApp> library,
                                  QString deviceID) {
    Device here{deviceID, ThisMac::name(), ThisMac::model(), Clock::shared().now(), ThisMac::platformHardwareID()};
    co_return co_await cloud.sync(std::move(scanned), std::move(library), std::move(here));
}

QCoro::Task<void> CloudHooks::remove(Cloud cloud, QStringList ids) { co_await cloud.remove(std::move(ids)); }

QCoro::Task<void> CloudHooks::deleteLibrary(Cloud cloud) { co_await cloud.deleteLibrary(); }

QCoro::Task<void> CloudHooks::saveProfile(Cloud cloud, std::optional<QString> name, QString email) {
    co_await cloud.saveProfile(std::move(name), std::move(email));
}

QCoro::Task<void> CloudHooks::deleteAccount(Session session, CloudConfig config) {
    co_await Auth::deleteAccount(std::move(session), std::move(config));
}
