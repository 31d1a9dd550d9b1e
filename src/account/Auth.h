#pragma once

#include "store/AccountHooks.h"
#include "store/CloudConfig.h"
#include "store/Session.h"

#include <QCoro/QCoroTask>
#include <QNetworkRequest>
#include <QString>

#include <optional>

// The account's conversations with the identity service and the stored session. Every call
// throws an AuthError carrying the sentence the user reads, or the transport's own error.
namespace Auth {

// The identity provider of a Google sign-in.
inline const QString googleProvider = QStringLiteral("google.com");

// The stored session lives under this service, with the account below.
QString service();
// "session-test" under "--sandbox" or against an emulated back end, else "session".
QString account();

// The stored session, or nothing (none stored, unreadable or undecodable). Never fails. Waits
// for the keychain, which answers within its own time limit, and for the saves before it.
std::optional<Session> load();
// Replaces the stored session; nothing removes it. Returns at once: the write runs on the
// keychain's own thread, after every earlier save, and is done before the program ends.
// Failures are ignored.
void save(std::optional<Session> session);
// Whether a saved session will be there at the next launch: a keyring runs and takes new items
// (or the override folder is set).
QCoro::Task<bool> keepsSessions();

// A POST to `url` that carries a password, a code or a token: the longer idle limit, and no
// redirect to another origin.
QNetworkRequest credentialRequest(const QUrl& url, const QByteArray& contentType);

// A Google ID token, told apart from an e-mail address by its type.
struct GoogleIDToken {
    QString value;
};

// accounts:signUp; the session's provider is "password" and its address unconfirmed.
QCoro::Task<Session> signUp(QString email, QString password, CloudConfig config);
// accounts:signInWithPassword.
QCoro::Task<Session> signIn(QString email, QString password, CloudConfig config);
// accounts:signInWithIdp; the session's provider is Google's and its address confirmed.
QCoro::Task<Session> signIn(GoogleIDToken token, CloudConfig config);
// accounts:update with the display name; the answer is not read.
QCoro::Task<void> updateName(QString name, Session session, CloudConfig config);
// accounts:sendOobCode asking for the address-confirmation mail.
QCoro::Task<void> sendEmailConfirmation(Session session, CloudConfig config);
// accounts:sendOobCode asking for the password-reset mail; an unknown address counts as sent.
QCoro::Task<void> sendPasswordReset(QString email, CloudConfig config);

using Profile = AccountHooks::Profile;
// accounts:lookup: the account's name and whether its address is confirmed.
QCoro::Task<Profile> profile(Session session, CloudConfig config);
// accounts:delete.
QCoro::Task<void> deleteAccount(Session session, CloudConfig config);
// Renews the ID token; everything but the tokens and `expires` stays.
QCoro::Task<Session> refresh(Session session, CloudConfig config);

} // namespace Auth
