#pragma once

#include "store/CloudConfig.h"
#include "store/Session.h"

#include <QCoro/QCoroTask>
#include <QString>

#include <optional>

// What the store asks of the account subsystem: the saved session, the back-end configuration,
// the renewal of the ID token and the two identity calls of the e-mail confirmation.
class AccountHooks {
public:
    virtual ~AccountHooks() = default;

    // What the identity service knows of the account now.
    struct Profile {
        std::optional<QString> name;
        bool verified = false;
    };

    // The saved session; nothing when there is none or it can't be read.
    virtual std::optional<Session> load() = 0;
    // Stores the session for later launches (nothing deletes it); failures are ignored.
    virtual void save(std::optional<Session> session) = 0;
    // Whether a saved session outlives this run (false: no keyring takes it). Never fails.
    virtual QCoro::Task<bool> keepsSessions() = 0;
    // Takes back what a sign-in registered with the desktop (the redirect's handler).
    virtual void signedOut() = 0;
    // Renews the ID token. Throws AuthError (the server's code) or the transport's error.
    virtual QCoro::Task<Session> refresh(Session session, CloudConfig config) = 0;
    // Asks the identity service to send the address-confirmation e-mail. Throws its error.
    virtual QCoro::Task<void> sendEmailConfirmation(Session session, CloudConfig config) = 0;
    virtual QCoro::Task<Profile> profile(Session session, CloudConfig config) = 0;
    // The back-end configuration of this process; nothing turns the account features off.
    virtual std::optional<CloudConfig> current() = 0;
};
