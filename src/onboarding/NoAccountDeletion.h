#pragma once

#include "onboarding/AccountDeletion.h"
#include "runtime/AuthError.h"

// Until the store's account deletion is joined here: refuses, touching nothing.
class NoAccountDeletion final : public AccountDeletion {
public:
    QCoro::Task<void> deleteAccount() override {
        throw AuthError(QStringLiteral("Deleting the account isn't available in this version of Quenlark."));
        co_return;
    }
};
