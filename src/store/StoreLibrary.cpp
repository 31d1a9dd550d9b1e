#include "store/Store.h"

#include "library/LibraryHooks.h"
#include "runtime/MainThread.h"

QCoro::Task<std::optional<Cloud>> Store::liveCloud(bool forceRefresh) {
    QL_ASSERT_MAIN_THREAD();
    const std::shared_ptr<LibraryHooks> library = c_.library;
    auto asking = library->liveCloud(*this, forceRefresh);
    co_return co_await std::move(asking);
}

QCoro::Task<void> Store::syncLibrary() {
    QL_ASSERT_MAIN_THREAD();
    const std::shared_ptr<LibraryHooks> library = c_.library;
    auto syncing = library->syncLibrary(*this);
    co_await std::move(syncing);
}

void Store::signOut() {
    QL_ASSERT_MAIN_THREAD();
    c_.library->signOut(*this);
}

// The library's document reads and removals come with the library itself.
QCoro::Task<void> Store::reloadLibrary(Cloud) { co_return; }

QCoro::Task<void> Store::removeFromLibrary(LibraryRows) { co_return; }
