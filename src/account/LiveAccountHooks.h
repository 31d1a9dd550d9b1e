#pragma once

#include "store/AccountHooks.h"

// The store's account seam over the real stored session, configuration and identity calls.
class LiveAccountHooks final : public AccountHooks {
public:
    std::optional<Session> load() override;
    void save(std::optional<Session> session) override;
    QCoro::Task<bool> keepsSessions() override;
    void signedOut() override;
    QCoro::Task<Session> refresh(Session session, CloudConfig config) override;
    QCoro::Task<void> sendEmailConfirmation(Session session, CloudConfig config) override;
    QCoro::Task<Profile> profile(Session session, CloudConfig config) override;
    std::optional<CloudConfig> current() override;
};
