#include "library/LiveLibraryHooks.h"

#include "account/Auth.h"
#include "library/Cloud.h"
#include "model/ThisMac.h"
#include "runtime/Clock.h"

namespace {

Cloud client(CloudAccess access) { return Cloud{std::move(access.config), std::move(access.session)}; }

} // namespace

QCoro::Task<Listing<LibraryApp>> LiveLibraryHooks::apps(CloudAccess access) {
    const Cloud cloud = client(std::move(access));
    co_return co_await cloud.apps();
}

QCoro::Task<Listing<Device>> LiveLibraryHooks::devices(CloudAccess access) {
    const Cloud cloud = client(std::move(access));
    co_return co_await cloud.devices();
}

QCoro::Task<int> LiveLibraryHooks::sync(CloudAccess access, QList<ScannedApp> scanned, QList<LibraryApp> library,
                                        QString deviceID) {
    const Cloud cloud = client(std::move(access));
    Device here{deviceID, ThisMac::name(), ThisMac::model(), Clock::shared().now(), ThisMac::platformHardwareID()};
    co_return co_await cloud.sync(std::move(scanned), std::move(library), std::move(here));
}

QCoro::Task<void> LiveLibraryHooks::remove(CloudAccess access, QStringList ids) {
    const Cloud cloud = client(std::move(access));
    co_await cloud.remove(std::move(ids));
}

QCoro::Task<void> LiveLibraryHooks::deleteLibrary(CloudAccess access) {
    const Cloud cloud = client(std::move(access));
    co_await cloud.deleteLibrary();
}

QCoro::Task<void> LiveLibraryHooks::saveProfile(CloudAccess access, std::optional<QString> name, QString email) {
    const Cloud cloud = client(std::move(access));
    co_await cloud.saveProfile(std::move(name), std::move(email));
}

QCoro::Task<void> LiveLibraryHooks::deleteAccount(Session session, CloudConfig config) {
    co_await Auth::deleteAccount(std::move(session), std::move(config));
}
