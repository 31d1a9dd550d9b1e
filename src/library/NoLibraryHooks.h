#pragma once

#include "library/LibraryHooks.h"

// Until the library exists: nothing to synchronise, no profile to write.
class NoLibraryHooks final : public LibraryHooks {
public:
    QCoro::Task<void> syncLibrary(Store&) override { co_return; }
    QCoro::Task<void> saveProfile(Cloud, std::optional<QString>, QString) override { co_return; }
};
