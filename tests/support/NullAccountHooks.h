#pragma once

#include "store/AccountHooks.h"

// For tests of a store that has no account: no saved session and no back end, so nothing ever
// calls the service.
class NullAccountHooks final : public AccountHooks {
public:
    std::optional<Session> load() override { return std::nullopt; }
    void save(std::optional<Session>) override {}
    QCoro::Task<bool> keepsSessions() override { co_return true; }
    void signedOut() override {}
    QCoro::Task<Session> refresh(Session session, CloudConfig) override { co_return session; }
    QCoro::Task<void> sendEmailConfirmation(Session, CloudConfig) override { co_return; }
    QCoro::Task<Profile> profile(Session, CloudConfig) override { co_return Profile{}; }
    std::optional<CloudConfig> current() override { return std::nullopt; }
};
