#include "account/LiveAccountHooks.h"

#include "account/Auth.h"
#include "account/GoogleSignIn.h"

std::optional<Session> LiveAccountHooks::load() { return Auth::load(); }

void LiveAccountHooks::save(std::optional<Session> session) { Auth::save(std::move(session)); }

QCoro::Task<bool> LiveAccountHooks::keepsSessions() { return Auth::keepsSessions(); }

void LiveAccountHooks::signedOut() {
    if (const auto& config = CloudConfig::current())
        GoogleSignIn::forgetHandler(config->googleClientID);
}

QCoro::Task<Session> LiveAccountHooks::refresh(Session session, CloudConfig config) {
    return Auth::refresh(std::move(session), std::move(config));
}

QCoro::Task<void> LiveAccountHooks::sendEmailConfirmation(Session session, CloudConfig config) {
    return Auth::sendEmailConfirmation(std::move(session), std::move(config));
}

QCoro::Task<AccountHooks::Profile> LiveAccountHooks::profile(Session session, CloudConfig config) {
    return Auth::profile(std::move(session), std::move(config));
}

std::optional<CloudConfig> LiveAccountHooks::current() { return CloudConfig::current(); }
