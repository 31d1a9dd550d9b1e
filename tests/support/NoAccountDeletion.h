#pragma once

#include "runtime/AuthError.h"
#include "settings/AccountDeletion.h"

// Stands in for the store's account deletion in tests: refuses, touching nothing.
class NoAccountDeletion final : public AccountDeletion {
public:
    QCoro::Task<void> deleteAccount() override {
        throw AuthError(QStringLiteral("Deleting the account isn't available in this version of Quenlark."));
        co_return;
    }
};
