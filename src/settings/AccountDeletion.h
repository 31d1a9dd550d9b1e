#pragma once

#include <QCoro/QCoroTask>

// Deletes the signed-in user's library documents and identity account, then signs this
// computer out. Throws the sentence the user reads.
class AccountDeletion {
public:
    virtual ~AccountDeletion() = default;
    virtual QCoro::Task<void> deleteAccount() = 0;
};
