#pragma once

#include "onboarding/AccountDeletion.h"
#include "runtime/AuthError.h"

// Stands in for the store's account deletion in tests: refuses, touching nothing.
class NoAccountDeletion final : public AccountDeletion {
public:
    QCoro::Task<void> deleteAccount() override {
        throw AuthError(QStringLiteral("Deleting the account isn't available in this version of Quenlark."));
        co_return;
    }
};
