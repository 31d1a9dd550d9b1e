#include "account/AuthHooks.h"

#include "account/Auth.h"
#include "account/GoogleSignIn.h"

std::optional<Session> AuthHooks::load() { return Auth::load(); }

void AuthHooks::save(std::optional<Session> session) { Auth::save(std::move(session)); }

QCoro::Task<bool> AuthHooks::keepsSessions() { return Auth::keepsSessions(); }

void AuthHooks::signedOut() {
    if (const auto& config = CloudConfig::current())
        GoogleSignIn::forgetHandler(config->googleClientID);
}

QCoro::Task<Session> AuthHooks::refresh(Session session, CloudConfig config) {
    return Auth::refresh(std::move(session), std::move(config));
}

QCoro::Task<void> AuthHooks::sendEmailConfirmation(Session session, CloudConfig config) {
    return Auth::sendEmailConfirmation(std::move(session), std::move(config));
}

QCoro::Task<AccountHooks::Profile> AuthHooks::profile(Session session, CloudConfig config) {
    return Auth::profile(std::move(session), std::move(config));
}

std::optional<CloudConfig> AuthHooks::current() { return CloudConfig::current(); }
