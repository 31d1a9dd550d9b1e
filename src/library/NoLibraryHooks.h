#pragma once

#include "library/LibraryHooks.h"

// Until the library exists: no client, nothing to synchronise or forget.
class NoLibraryHooks final : public LibraryHooks {
public:
    QCoro::Task<std::optional<Cloud>> liveCloud(Store&, bool) override { co_return std::nullopt; }
    QCoro::Task<void> syncLibrary(Store&) override { co_return; }
    void signOut(Store&) override {}
    QCoro::Task<void> saveProfile(Cloud, std::optional<QString>, QString) override { co_return; }
};
