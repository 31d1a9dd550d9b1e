#pragma once

#include "settings/AccountDeletion.h"
#include "store/Store.h"

// The settings window's account deletion: the store's, which deletes the library first, then the
// identity account, and signs out.
class StoreAccountDeletion final : public AccountDeletion {
public:
    explicit StoreAccountDeletion(Store& store) : store_(store) {}
    QCoro::Task<void> deleteAccount() override { co_await store_.deleteAccount(); }

private:
    Store& store_;
};
